#include "core/download/engines/Engine1Connection.h"

#include "core/download/DownloadSettings.h"
#include "core/net/TransferControl.h"
#include "core/util/FileNameRules.h"

#include <cmath>
#include <limits>

namespace {
constexpr int kHttpPort = 80;
constexpr int kHttpsPort = 443;

// A numeric text as a port number; values no port can have become 0, which leaves the address's own port.
int portValue(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0 || value > std::numeric_limits<int>::max())
        return 0;
    return static_cast<int>(std::trunc(value));
}
} // namespace

int Engine1AddressPort(const QString &address)
{
    // 1-based: the first "/" at or after the 9th character, which must stand at the 10th or later.
    const qsizetype slash = address.indexOf(QLatin1Char('/'), 8);
    if (slash < 9)
        return kHttpPort;
    const QStringList parts = address.mid(8, slash - 8).split(QLatin1Char(':'));
    if (parts.size() == 2 && IsNumericText(parts.at(1)))
        return portValue(parts.at(1));
    return kHttpPort;
}

Engine1Connection Engine1ConnectionFor(const QString &address, const DownloadSettings &settings)
{
    Engine1Connection c;
    if (settings.proxyEnabled) {
        c.accessType = TransferControl::icNamedProxy;
        c.remotePort = IsNumericText(settings.proxyPort) ? portValue(settings.proxyPort) : 0;
        c.proxy = settings.proxyAddress + QLatin1Char(':') + settings.proxyPort;
    } else {
        c.accessType = TransferControl::icUseDefault;
        c.proxy.clear();
        c.remotePort = Engine1AddressPort(address);
    }
    if (address.left(8).toLower() == QLatin1String("https://")) {
        c.protocol = TransferControl::icHTTPS;
        c.remotePort = kHttpsPort;
    } else {
        c.protocol = TransferControl::icHTTP;
    }
    return c;
}
