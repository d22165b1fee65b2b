#pragma once

#include <QString>

// Whether a saved PDF is the paper its row names, judged from titles and the first page's text.
namespace TitleMatch {

// Width folded (NFKC), case folded, and only letters and digits kept: spaces, punctuation, symbols and line breaks
// go, so "Deep  Learning—A Survey" and "ｄｅｅｐ ｌｅａｒｎｉｎｇ：ａ ｓｕｒｖｅｙ" normalise alike, and a word broken
// by a hyphen at a line's end joins again. CJK characters are kept as they are.
QString normalise(const QString &text);

// How well `title` is found in `text`, 0 to 1: the best share of the title's pieces found in any stretch of the
// normalised text holding as many pieces. A piece is two characters from a CJK character on and three from any
// other (Latin letter pairs are found in almost any page). 1 when the title appears in the text; a title longer
// than the text is compared with the whole text.
double score(const QString &title, const QString &text);

// A title carries enough to judge by: at least 12 weight, a CJK character weighing 2 and any other letter or digit 1
// (six Chinese characters or twelve Latin letters).
bool longEnough(const QString &title);

// The threshold, measured on the cases of tests/pdfcheck/test_titlematch.cpp (titles against real-looking
// document titles and first pages, both the same paper written differently and other papers of the same field):
// the same paper scored 0.86 or more (one character missing from a Chinese title), another paper 0.66 or less (the
// same authors' next paper, sharing three words of four). 0.75 lies between with room on both sides.
constexpr double kSamePaper = 0.75;

// True only with evidence: the row's title is long enough, the first page has text enough to hold a title, and
// neither the PDF's own title nor its first page matches the row's title. A missing or short title, a scanned first
// page without text or a PDF title that matches never accuse a file.
bool anotherPaper(const QString &rowTitle, const QString &pdfTitle, const QString &firstPageText);

} // namespace TitleMatch
