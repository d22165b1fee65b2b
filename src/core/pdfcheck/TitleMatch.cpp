#include "core/pdfcheck/TitleMatch.h"

#include <QHash>
#include <QList>
#include <algorithm>

namespace TitleMatch {
namespace {
bool isCjk(char32_t c)
{
    return (c >= 0x3040 && c <= 0x30FF) || // kana
           (c >= 0x3400 && c <= 0x4DBF) || // extension A
           (c >= 0x4E00 && c <= 0x9FFF) || // unified ideographs
           (c >= 0xAC00 && c <= 0xD7AF) || // hangul
           (c >= 0xF900 && c <= 0xFAFF) || // compatibility ideographs
           (c >= 0x20000 && c <= 0x3FFFF); // supplementary ideographs
}

QList<char32_t> characters(const QString &text)
{
    QList<char32_t> out;
    for (const char32_t c : normalise(text).toUcs4())
        out.append(c);
    return out;
}

// The pieces of the text that are compared: two characters from a CJK character on, which already say as much as a
// word, three from any other, as two Latin letters are found together in almost any page. A piece that would run past
// the end is left out.
QList<quint64> grams(const QList<char32_t> &s)
{
    QList<quint64> out;
    for (qsizetype i = 0; i + 1 < s.size(); ++i) {
        if (isCjk(s[i]))
            out.append((quint64(s[i]) << 42) | (quint64(s[i + 1]) << 21));
        else if (i + 2 < s.size())
            out.append((quint64(s[i]) << 42) | (quint64(s[i + 1]) << 21) | quint64(s[i + 2]));
    }
    return out;
}
} // namespace

QString normalise(const QString &text)
{
    const QString folded = text.normalized(QString::NormalizationForm_KC).toCaseFolded();
    QString out;
    out.reserve(folded.size());
    for (const char32_t c : folded.toUcs4()) {
        if (QChar::isLetterOrNumber(c))
            out.append(QString::fromUcs4(&c, 1));
    }
    return out;
}

bool longEnough(const QString &title)
{
    int weight = 0;
    for (const char32_t c : characters(title))
        weight += isCjk(c) ? 2 : 1;
    return weight >= 12;
}

double score(const QString &title, const QString &text)
{
    const QList<quint64> t = grams(characters(title));
    const QList<quint64> s = grams(characters(text));
    if (t.isEmpty() || s.isEmpty())
        return 0.0;
    QHash<quint64, int> wanted;
    for (const quint64 g : t)
        ++wanted[g];
    // Slides a window of the title's gram count over the text, keeping the overlap of the two gram multisets.
    const qsizetype window = std::min(t.size(), s.size());
    QHash<quint64, int> inWindow;
    qsizetype overlap = 0;
    qsizetype best = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (inWindow[s[i]]++ < wanted.value(s[i]))
            ++overlap;
        if (i >= window) {
            const quint64 leaving = s[i - window];
            if (--inWindow[leaving] < wanted.value(leaving))
                --overlap;
        }
        best = std::max(best, overlap);
    }
    return double(best) / double(t.size());
}

bool anotherPaper(const QString &rowTitle, const QString &pdfTitle, const QString &firstPageText)
{
    if (!longEnough(rowTitle))
        return false;
    // A page with less text than a title is a scan or a cover: nothing to judge by.
    if (normalise(firstPageText).size() < normalise(rowTitle).size())
        return false;
    // Either title may carry a subtitle the other leaves out, or be cut short.
    if (longEnough(pdfTitle) && std::max(score(rowTitle, pdfTitle), score(pdfTitle, rowTitle)) >= kSamePaper)
        return false;
    return score(rowTitle, firstPageText) < kSamePaper;
}

} // namespace TitleMatch
