#include "support/ProxyEchoSite.h"

#include <QUrl>
#include <QUrlQuery>

ProxyEchoSite::ProxyEchoSite() : m_base("PAPERHARVEST_PROXY_SERVICE_BASE", QByteArray())
{
    server.setHandler([](const FixtureHttpServer::Request &request) -> std::optional<FixtureHttpServer::Response> {
        if (request.pathOnly() == "/ip.asp")
            return FixtureHttpServer::Response::text(request.header("Via").contains("tinyproxy") ? kProxyAddress
                                                                                                 : kOwnAddress);
        if (request.pathOnly() == "/zxipproxy/upip.asp")
            return FixtureHttpServer::Response::text("ok");
        return std::nullopt;
    });
    m_base.set(server.urlText(QStringLiteral("/")).chopped(1).toUtf8());
}

QStringList ProxyEchoSite::reported() const
{
    QStringList addresses;
    for (const auto &request : server.requestsFor(QStringLiteral("/zxipproxy/upip.asp"))) {
        const QUrlQuery query(QUrl(QString::fromUtf8(request.path)));
        addresses << query.queryItemValue(QStringLiteral("ip"), QUrl::FullyDecoded);
    }
    return addresses;
}
