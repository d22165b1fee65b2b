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

// The page title and the body text of the page the service shows instead of results when it suspects automated
// traffic; solving its captcha in the browser brings the results back.
inline const QString kVerificationTitle = QStringLiteral("百度安全验证");
inline const QString kVerificationText = QStringLiteral("请完成下方验证后继续操作");
} // namespace ServiceMarkup
