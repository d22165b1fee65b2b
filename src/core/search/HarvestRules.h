#pragma once

#include "core/net/Browser.h"
#include "core/search/Citation.h"

#include <QList>
#include <QString>

// The text rules that turn a result page into result rows and find its next-page link. They run on a snapshot of
// the page, so they are plain functions.

struct HarvestedResult {
    QString title;
    QString link;
    Citation citation = {};
};

// The prefix every result link begins with: the search service's address and "/" (lower case).
QString ResultLinkPrefix();

// A result's title from its link's inner HTML: every "<em>" and "</em>" removed (any letter case), character
// references decoded, control characters (ControlCharacters.h) dropped, trimmed.
QString ResultTitle(const QString &anchorInnerHtml);
// A result's link from its anchor's target: trimmed, every "&amp;" (any letter case) replaced by "&".
QString ResultLink(const QString &anchorHref);

// The results of a page in document order: the first link of every DIV whose class name, trimmed and lower-cased,
// is "sc_content", when its title is not empty and its link begins with `prefix` (letter case ignored, http and
// https alike: see BeginsWithServicePrefix).
QList<HarvestedResult> ResultsOnPage(const PageSnapshot &page, const QString &prefix);

// The position in page.anchors of the first link reading "下一页>" (lower-cased, trimmed, spaces removed) whose
// class name, trimmed and lower-cased, is "n"; -1 when there is none.
int NextPageLinkIndex(const PageSnapshot &page);

// The search words a single document's page names after "queryShow :": the first word of the quoted value.
// Empty when the page has no "queryShow :" or the text after it has no space to end the word.
QString QueryShowTitle(const QString &pageText);
