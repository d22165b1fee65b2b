#pragma once

#include <QString>

// Addresses that differ between deployments. Each can be overridden by an environment variable, which is how
// tests and the demo point the program at local servers. No trailing slash on the bases.
namespace Deployment {
// Scholarly search service (PAPERHARVEST_SEARCH_BASE), default http://xueshu.baidu.com
QString searchBase();
// Document-service page prefix (PAPERHARVEST_DOC_PREFIX), default https://wenku.baidu.com/view/
QString documentPrefix();
// Maker's update server (PAPERHARVEST_UPDATE_BASE).
QString updateBase();
// Proxy echo and proxy-address collection service (PAPERHARVEST_PROXY_SERVICE_BASE).
QString proxyServiceBase();
// Maker's support site (PAPERHARVEST_MAKER_SITE), linked from the about box.
QString makerSite();
// Page of the maker's proxy-collection tool (PAPERHARVEST_PROXY_TOOL_PAGE), linked from the options dialog.
QString proxyToolPage();
// True for the reserved .invalid hosts that stand in until a deployment names a real one (and for an address
// without a host): nothing is sent to them.
bool isPlaceholder(const QString &address);
} // namespace Deployment
