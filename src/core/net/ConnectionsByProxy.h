#pragma once

#include <QList>
#include <QNetworkProxy>
#include <QObject>
#include <utility>

class QNetworkAccessManager;

// Network access managers by proxy, for transfer objects that come and go one fetch at a time: each borrows the
// manager of its proxy, so one fetch after another keeps its connection and the manager's network thread instead
// of opening both anew. The managers, and with them their connections, go when the owner goes.
class ConnectionsByProxy final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConnectionsByProxy)
public:
    // A rotation through many proxies would otherwise hold a network thread for each.
    static constexpr int kMaxManagers = 8;

    using QObject::QObject;

    // The manager for `proxy`; nullptr when kMaxManagers other proxies hold one already.
    QNetworkAccessManager *managerFor(const QNetworkProxy &proxy);

private:
    QList<std::pair<QNetworkProxy, QNetworkAccessManager *>> m_managers;
};
