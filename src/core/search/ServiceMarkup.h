#pragma once

#include <QString>

// What the search service's own pages are recognised by. The service changes its markup from time to time; every
// sign the program reads of it lives here.
namespace ServiceMarkup {
// The page title and the body text of the page the service shows instead of results when it suspects automated
// traffic; solving its captcha in the browser brings the results back.
inline const QString kVerificationTitle = QStringLiteral("百度安全验证");
inline const QString kVerificationText = QStringLiteral("请完成下方验证后继续操作");
} // namespace ServiceMarkup
