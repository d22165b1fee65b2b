#include "core/util/Deployment.h"

#include <QUrl>

namespace {
QString fromEnvironment(const char *variable, const char *fallback)
{
    const QString value = qEnvironmentVariable(variable);
    return value.isEmpty() ? QString::fromUtf8(fallback) : value;
}

QString withoutTrailingSlash(QString base)
{
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}
} // namespace

// The maker's servers have no public host yet: the .invalid defaults fail fast instead of reaching a stranger's
// machine; a packaged build sets the real hosts through the environment.
namespace Deployment {
QString searchBase()
{
    return withoutTrailingSlash(fromEnvironment("PAPERHARVEST_SEARCH_BASE", "http://xueshu.baidu.com"));
}

QString documentPrefix()
{
    return fromEnvironment("PAPERHARVEST_DOC_PREFIX", "https://wenku.baidu.com/view/");
}

QString updateBase()
{
    return withoutTrailingSlash(fromEnvironment("PAPERHARVEST_UPDATE_BASE", "http://update.paperharvest.invalid"));
}

QString proxyServiceBase()
{
    return withoutTrailingSlash(
        fromEnvironment("PAPERHARVEST_PROXY_SERVICE_BASE", "http://proxy.paperharvest.invalid"));
}

QString makerSite()
{
    return withoutTrailingSlash(fromEnvironment("PAPERHARVEST_MAKER_SITE", "http://www.paperharvest.invalid"));
}

QString proxyToolPage()
{
    return fromEnvironment("PAPERHARVEST_PROXY_TOOL_PAGE", "http://www.paperharvest.invalid/proxytool/");
}

bool isPlaceholder(const QString &address)
{
    const QString host = QUrl(address).host().toLower();
    return host.isEmpty() || host == QLatin1String("invalid") || host.endsWith(QLatin1String(".invalid"));
}
} // namespace Deployment
