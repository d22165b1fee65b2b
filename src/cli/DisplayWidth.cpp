#include "cli/DisplayWidth.h"

#include <QChar>

namespace {
struct Range {
    char32_t first;
    char32_t last;
};

// East Asian Wide and Fullwidth blocks (Unicode's EastAsianWidth W and F), plus the emoji presentation block.
constexpr Range kWide[] = {
    {0x1100, 0x115F}, {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},   {0x2E80, 0x303E},
    {0x3041, 0x33FF}, {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},
    {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6}, {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

int columnsOf(char32_t c)
{
    if (c == 0)
        return 0;
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
        return 0;
    default:
        break;
    }
    for (const Range &r : kWide)
        if (c >= r.first && c <= r.last)
            return 2;
    return 1;
}

// The code point at `i`, and `i` moved past it.
char32_t next(QStringView text, qsizetype &i)
{
    const QChar c = text.at(i++);
    if (c.isHighSurrogate() && i < text.size() && text.at(i).isLowSurrogate())
        return QChar::surrogateToUcs4(c, text.at(i++));
    return c.unicode();
}
} // namespace

int DisplayWidth(QStringView text)
{
    int columns = 0;
    for (qsizetype i = 0; i < text.size();)
        columns += columnsOf(next(text, i));
    return columns;
}

QString FitToColumns(const QString &text, int columns)
{
    int used = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype at = i;
        const int width = columnsOf(next(text, i));
        if (used + width > columns)
            return text.left(at);
        used += width;
    }
    return text;
}
