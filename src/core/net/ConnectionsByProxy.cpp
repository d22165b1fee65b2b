#include "core/net/ConnectionsByProxy.h"

#include "core/net/NetworkAccess.h"

#include <QNetworkAccessManager>

QNetworkAccessManager *ConnectionsByProxy::managerFor(const QNetworkProxy &proxy)
{
    for (const auto &[usedProxy, manager] : std::as_const(m_managers))
        if (usedProxy == proxy)
            return manager;
    if (m_managers.size() >= kMaxManagers)
        return nullptr;
    QNetworkAccessManager *manager = NewNetworkAccess(this);
    manager->setAutoDeleteReplies(false);
    manager->setProxy(proxy);
    m_managers.append({proxy, manager});
    return manager;
}
