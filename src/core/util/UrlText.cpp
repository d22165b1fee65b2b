#include "core/util/UrlText.h"

#include "core/util/AnsiCodePage.h"

#include <QRandomGenerator>

namespace {
QString randomFrom(QLatin1StringView alphabet, int count)
{
    QString out;
    if (count <= 0)
        return out;
    out.reserve(count);
    auto *random = QRandomGenerator::global();
    for (int i = 0; i < count; ++i)
        out.append(QLatin1Char(alphabet[random->bounded(int(alphabet.size()))]));
    return out;
}
} // namespace

QString EncodeQueryKeyword(const QString &keyword)
{
    QString text = keyword;
    // Doubled before the walk writes its own "%", so a typed "%D6" cannot pass for an encoded byte.
    text.replace(u'%', QStringLiteral("%25"));

    QString out;
    out.reserve(text.size() * 3);
    forEachCodePoint(text, [&](char32_t c, qsizetype index, qsizetype units) {
        QByteArray bytes;
        if (AnsiCodePage::byteCount(c) == 2 && AnsiCodePage::appendBytes(c, bytes))
            out += QString::asprintf("%%%02X%%%02X", uint(quint8(bytes[0])), uint(quint8(bytes[1])));
        else
            out += QStringView(text).mid(index, units);
        return true;
    });

    out.replace(u'#', QStringLiteral("%23"));
    out.replace(u'^', QStringLiteral("%5E"));
    out.replace(u'&', QStringLiteral("%26"));
    out.replace(u'+', QStringLiteral("%2B"));
    return out;
}

QString EscapeQueryValue(const QString &value)
{
    QString text = value.trimmed();
    text.replace(u':', QStringLiteral("%3A"));
    text.replace(u'/', QStringLiteral("%2F"));
    text.replace(u'?', QStringLiteral("%3F"));
    text.replace(u'=', QStringLiteral("%3D"));
    text.replace(u'|', QStringLiteral("%7C"));
    text.replace(u'\\', QStringLiteral("%5C"));
    return text;
}

QString UrlHostPart(const QString &address)
{
    const qsizetype scheme = address.indexOf(QStringLiteral("://"));
    if (scheme >= 0) {
        const qsizetype slash = address.indexOf(u'/', scheme + 3);
        return slash >= 0 ? address.left(slash) : address;
    }
    // A slash in the first three characters cannot end a host name.
    const qsizetype slash = address.indexOf(u'/');
    return slash >= 3 ? address.left(slash) : address;
}

QString RandomAlphanumeric(int count)
{
    return randomFrom(QLatin1StringView("1234567890abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"), count);
}

QString RandomDigits(int count)
{
    return randomFrom(QLatin1StringView("1234567890"), count);
}

namespace {
// The address without an http or https scheme, or with it when it has another one.
QStringView WithoutWebScheme(QStringView address)
{
    for (const QLatin1StringView scheme : {QLatin1StringView("http:"), QLatin1StringView("https:")}) {
        if (address.startsWith(scheme, Qt::CaseInsensitive))
            return address.mid(scheme.size());
    }
    return address;
}
} // namespace

bool BeginsWithServicePrefix(const QString &address, const QString &prefix)
{
    const QStringView rest = WithoutWebScheme(prefix);
    if (rest.size() == prefix.size() || !rest.startsWith(u"//"))
        return address.startsWith(prefix, Qt::CaseInsensitive);
    return WithoutWebScheme(address).startsWith(rest, Qt::CaseInsensitive);
}
