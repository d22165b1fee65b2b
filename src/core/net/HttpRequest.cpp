#include "core/net/HttpRequest.h"

#include "core/net/NetworkAccess.h"

#include <QNetworkReply>

namespace {
constexpr int kDefaultProxyPort = 80;

QNetworkProxy namedProxy(const QString &named)
{
    QString text = named.trimmed();
    text = text.section(QLatin1Char(' '), 0, 0).section(QLatin1Char(';'), 0, 0);
    if (text.startsWith(QLatin1String("HTTP="), Qt::CaseInsensitive))
        text = text.mid(5);
    if (text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive))
        text = text.mid(7);
    while (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    QString host = text;
    int port = kDefaultProxyPort;
    if (const auto colon = text.lastIndexOf(QLatin1Char(':')); colon >= 0) {
        host = text.left(colon);
        bool ok = false;
        const int p = text.mid(colon + 1).trimmed().toInt(&ok);
        if (ok && p > 0 && p < 65536)
            port = p;
    }
    if (host.isEmpty())
        return QNetworkProxy(QNetworkProxy::DefaultProxy);
    return QNetworkProxy(QNetworkProxy::HttpProxy, host, static_cast<quint16>(port));
}
} // namespace

QNetworkRequest NewHttpRequest(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setRawHeader("Accept-Encoding", "identity");
    request.setRawHeader("User-Agent", ProgramUserAgent());
    return request;
}

bool IsWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https");
}

bool IsWebAddress(const QString &address)
{
    return IsWebAddress(QUrl(address.trimmed(), QUrl::TolerantMode));
}

QNetworkProxy ConnectionProxy(ProxyUse use, const QString &named)
{
    switch (use) {
    case ProxyUse::Direct:
        return QNetworkProxy(QNetworkProxy::NoProxy);
    case ProxyUse::Named:
        return namedProxy(named);
    case ProxyUse::SystemDefault:
        break;
    }
    return QNetworkProxy(QNetworkProxy::DefaultProxy);
}

void EndReply(QPointer<QNetworkReply> &reply, QObject *receiver)
{
    QNetworkReply *ending = reply;
    reply = nullptr;
    if (!ending)
        return;
    ending->disconnect(receiver);
    if (!ending->isFinished())
        ending->abort();
    ending->deleteLater();
}
