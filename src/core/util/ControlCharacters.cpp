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

QString RemoveControlCharacters(const QString &text)
{
    // Nearly every text has nothing to remove: it is handed back shared, without a copy. Every control character
    // lies in the basic plane, so a text without them and without surrogates is clean as it is.
    // The test runs on every title a list takes in, so the common ranges (printable ASCII, Latin and most other
    // alphabets, CJK) are settled by two comparisons before the full rule is asked.
    const bool clean = std::none_of(text.cbegin(), text.cend(), [](QChar qc) {
        const char16_t c = qc.unicode();
        if ((c >= 0x20 && c < 0x7F) || (c >= 0x2070 && c < 0xD800) || (c >= 0xA0 && c < 0x2028) || c >= 0xE000)
            return false;
        return QChar::isSurrogate(c) || IsControlCharacter(c);
    });
    if (clean)
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
