#include "core/util/TextFile.h"

#include "core/util/AnsiCodePage.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {
const QByteArray kUtf8Bom("\xEF\xBB\xBF");

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
} // namespace

QString TextFile::decode(const QByteArray &bytes)
{
    if (const auto bom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*bom);
        return decoder.decode(bytes); // the decoder drops the byte-order mark
    }
    // Without a mark: text that is valid UTF-8 is taken as UTF-8 (plain ASCII reads the same either way);
    // anything else is GBK.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString asUtf8 = utf8.decode(bytes);
    if (!utf8.hasError())
        return asUtf8;
    return AnsiCodePage::decode(bytes);
}

QByteArray TextFile::encode(const QString &text)
{
    if (AnsiCodePage::canEncode(text))
        return AnsiCodePage::encode(text);
    return kUtf8Bom + text.toUtf8();
}

QString TextFile::encodingName(const QString &text)
{
    return AnsiCodePage::canEncode(text) ? QStringLiteral("gbk") : QStringLiteral("utf-8");
}

QStringList TextFile::splitLines(const QString &text)
{
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normal.replace(u'\r', u'\n');
    if (normal.isEmpty())
        return {};
    if (normal.endsWith(u'\n'))
        normal.chop(1);
    return normal.split(u'\n');
}

std::optional<QString> TextFile::readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return decode(bytes);
}

std::optional<QStringList> TextFile::readLines(const QString &path)
{
    const std::optional<QString> text = readText(path);
    if (!text)
        return std::nullopt;
    return splitLines(*text);
}

bool TextFile::writeText(const QString &path, const QString &text)
{
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlf.replace(u'\r', u'\n');
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return writeBytes(path, encode(crlf));
}

bool TextFile::writeLines(const QString &path, const QStringList &lines)
{
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    return writeBytes(path, encode(text));
}
