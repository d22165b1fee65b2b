#include "core/download/engines/InsertBaseTag.h"

#include "core/download/DownloadItem.h"

#include <QByteArrayMatcher>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>

namespace {
bool isWebPageType(const QString &type)
{
    const QString lower = type.toLower();
    return lower == QLatin1String("htm") || lower == QLatin1String("html");
}

// The tag text in the system's ANSI code page, as the rest of the page's plain-text handling uses.
QByteArray tagBytes(const QString &address)
{
    const QString tag = QStringLiteral("<Base href='") + address + QStringLiteral("'>");
    QStringEncoder gbk("GBK");
    if (!gbk.isValid())
        return tag.toLocal8Bit();
    QByteArray bytes = gbk.encode(tag);
    return gbk.hasError() ? tag.toUtf8() : bytes;
}
} // namespace

bool InsertBaseTag(const DownloadItem &row)
{
    if (!isWebPageType(row.type))
        return false;
    const QString path = ItemFilePath(row);
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return false;

    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QByteArray text = in.readAll();
    in.close();

    const qsizetype at = QByteArrayMatcher(QByteArrayView("</head>")).indexIn(text.toLower());
    if (at < 0)
        return false;
    text.insert(at, tagBytes(row.address));

    // Written to a new file and swapped in, so a failed write never leaves half a page.
    QSaveFile out(path);
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(text) != text.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}
