#include "core/util/ControlCharacters.h"

#include "core/util/AnsiCodePage.h"

#include <algorithm>

namespace {
bool isBidiControl(char32_t c)
{
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool isJoiner(char32_t c)
{
    return c == 0x200C || c == 0x200D;
}

QString escaped(char32_t c)
{
    if (c < 0x100)
        return QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    if (c < 0x10000)
        return QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
    return QStringLiteral("\\U%1").arg(uint(c), 8, 16, QLatin1Char('0'));
}
} // namespace

bool IsControlCharacter(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || isBidiControl(c) || c == 0x2028 || c == 0x2029;
}

namespace {
// Flags the ranges every control character lies in: below U+0020, U+007F to U+009F, U+2028 to U+206F. Most texts
// touch none of them; a flagged one goes to the full rule.
unsigned inControlRanges(char16_t c)
{
    return unsigned(c < 0x20) | unsigned(char16_t(c - 0x7F) <= 0x9F - 0x7F) |
           unsigned(char16_t(c - 0x2028) < 0x2070 - 0x2028);
}
} // namespace

bool HasControlCharacters(QStringView text)
{
    // Eight characters a step without a branch, which the compiler turns into a few vector instructions: this
    // runs on every title and address a list takes in.
    constexpr qsizetype kStep = 8;
    const char16_t *chars = text.utf16();
    const qsizetype n = text.size();
    unsigned suspect = 0;
    qsizetype i = 0;
    for (; i + kStep <= n; i += kStep)
        for (qsizetype k = 0; k < kStep; ++k)
            suspect |= inControlRanges(chars[i + k]);
    for (; i < n; ++i)
        suspect |= inControlRanges(chars[i]);
    // No control character is half of a surrogate pair: the code units can be asked one by one.
    return suspect != 0 &&
           std::any_of(text.cbegin(), text.cend(), [](QChar c) { return IsControlCharacter(c.unicode()); });
}

QString RemoveControlCharacters(const QString &text)
{
    // Nearly every text has nothing to remove: it is handed back shared, without a copy.
    if (!HasControlCharacters(text))
        return text;
    QString kept;
    kept.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c, qsizetype index, qsizetype units) {
        if (!IsControlCharacter(c))
            kept.append(QStringView(text).mid(index, units));
        return true;
    });
    return kept;
}

QString EscapeNonPrintable(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    forEachCodePoint(text, [&](char32_t c, qsizetype index, qsizetype units) {
        const bool loneSurrogate = units == 1 && QChar::isSurrogate(c);
        if (loneSurrogate || (!isJoiner(c) && (IsControlCharacter(c) || !QChar::isPrint(c))))
            shown += escaped(c);
        else
            shown.append(QStringView(text).mid(index, units));
        return true;
    });
    return shown;
}
