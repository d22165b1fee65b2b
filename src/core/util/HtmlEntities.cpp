#include "core/util/HtmlEntities.h"

#include <optional>

namespace {
// The longest reference looked at: "&#x10ffff;" and every named one fit.
constexpr qsizetype kLongestReference = 12;
constexpr char32_t kReplacement = 0xFFFD;

std::optional<char32_t> named(QStringView name)
{
    static const struct {
        const char *name;
        char32_t character;
    } table[] = {{"amp", u'&'}, {"lt", u'<'}, {"gt", u'>'}, {"quot", u'"'}, {"apos", u'\''}, {"nbsp", u' '}};
    for (const auto &entry : table)
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.character;
    return std::nullopt;
}

std::optional<char32_t> numeric(QStringView digits)
{
    int base = 10;
    if (digits.startsWith(u'x') || digits.startsWith(u'X')) {
        base = 16;
        digits = digits.mid(1);
    }
    if (digits.isEmpty())
        return std::nullopt;
    // ASCII digits only: toULongLong would also take a sign or spaces.
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        const bool decimal = u >= u'0' && u <= u'9';
        const bool hex = decimal || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
        if (!(base == 10 ? decimal : hex))
            return std::nullopt;
    }
    bool ok = false; // false on overflow
    const qulonglong value = digits.toULongLong(&ok, base);
    if (!ok || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return kReplacement;
    return char32_t(value);
}

std::optional<char32_t> reference(QStringView body)
{
    if (body.startsWith(u'#'))
        return numeric(body.mid(1));
    return named(body);
}
} // namespace

QString DecodeHtmlEntities(const QString &html)
{
    QString text;
    text.reserve(html.size());
    qsizetype i = 0;
    while (i < html.size()) {
        const qsizetype amp = html.indexOf(u'&', i);
        if (amp < 0) {
            text.append(QStringView(html).mid(i));
            break;
        }
        text.append(QStringView(html).mid(i, amp - i));
        const qsizetype semicolon = html.indexOf(u';', amp + 1);
        const std::optional<char32_t> c = semicolon > amp && semicolon - amp <= kLongestReference
                                              ? reference(QStringView(html).mid(amp + 1, semicolon - amp - 1))
                                              : std::nullopt;
        if (c) {
            const char32_t code[] = {*c};
            text += QString::fromUcs4(code, 1);
            i = semicolon + 1;
        } else {
            text += u'&';
            i = amp + 1;
        }
    }
    return text;
}
