#pragma once

#include <QString>

// What the search service's own pages are recognised by. The service changes its markup from time to time; every
// sign the program reads of it lives here.
namespace ServiceMarkup {
// A result block: a DIV of this class (trimmed, lower case); its first link is the result.
inline const QString kResultBlockClass = QStringLiteral("sc_content");
// The next-page link: its text (lower case, spaces removed) and its class (trimmed, lower case).
inline const QString kNextPageText = QStringLiteral("下一页>");
inline const QString kNextPageClass = QStringLiteral("n");
// A single document's page names the query in a script after this marker.
inline const QString kQueryShowMarker = QStringLiteral("queryShow :");

// The citation parts of a result block: for each part name, the CSS selector of its elements inside the block;
// the snapshot reads their texts (every match for the authors, the first for the others). The authors are the links
// of the "sc_author" span (only some carry click data), the source is the journal link (the "v_source" links below
// it name the databases that hold a version, not where it was published), the year and citation count have spans
// of their own, and the abstract a block of its own.
inline const QString kAuthorsPart = QStringLiteral("authors");
inline const QString kSourcePart = QStringLiteral("source");
inline const QString kYearPart = QStringLiteral("year");
inline const QString kCitationsPart = QStringLiteral("citations");
inline const QString kAbstractPart = QStringLiteral("abstract");
struct CitationSelector {
    const QString &part;
    QString selector;
};
inline const CitationSelector kCitationSelectors[] = {
    {kAuthorsPart, QStringLiteral(".sc_author a, a[data-click*=\"'button_tp':'author'\"], .author_text a")},
    {kSourcePart, QStringLiteral("a.journal_title, .journal_title")},
    {kYearPart, QStringLiteral(".sc_time, [data-year]")},
    {kCitationsPart, QStringLiteral("a.sc_cite_cont, .sc_cite_cont")},
    {kAbstractPart, QStringLiteral(".c_abstract")},
};

// The text of a result page that found nothing.
inline const QString kNoResultsText = QStringLiteral("抱歉，没有找到");

// The page title and the body text of the page the service shows instead of results when it suspects automated
// traffic; solving its captcha in the browser brings the results back.
inline const QString kVerificationTitle = QStringLiteral("百度安全验证");
inline const QString kVerificationText = QStringLiteral("请完成下方验证后继续操作");
} // namespace ServiceMarkup
