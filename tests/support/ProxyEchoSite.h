#pragma once

#include "support/FixtureHttpServer.h"
#include "support/ScopedEnvironment.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The proxy echo and collection service on loopback, and the program pointed at it while this object lives.
// A request that came through tinyproxy (its Via header) is answered with another public address than a direct
// one, as the real service sees the proxy's address instead of the caller's.
class ProxyEchoSite final
{
public:
    static inline const QByteArray kOwnAddress = "203.0.113.7";
    static inline const QByteArray kProxyAddress = "198.51.100.23";

    ProxyEchoSite();
    ProxyEchoSite(const ProxyEchoSite &) = delete;
    ProxyEchoSite &operator=(const ProxyEchoSite &) = delete;

    // The "ip" values of the collection requests received, decoded, in order.
    QStringList reported() const;
    int echoCount() const { return int(server.requestsFor(QStringLiteral("/ip.asp")).size()); }

    FixtureHttpServer server;

private:
    ScopedEnvironment m_base;
};
