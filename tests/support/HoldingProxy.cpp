#include "support/HoldingProxy.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

HoldingProxy::HoldingProxy(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    m_server->listen(QHostAddress::LocalHost, 0);
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            m_sockets << socket;
            auto *received = new QByteArray;
            connect(socket, &QObject::destroyed, this, [received] { delete received; });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, received] {
                const bool whole = received->contains("\r\n\r\n");
                received->append(socket->readAll());
                if (!whole && received->contains("\r\n\r\n")) {
                    ++m_held;
                    Q_EMIT requestHeld();
                }
            });
        }
    });
}

HoldingProxy::~HoldingProxy() = default;

QString HoldingProxy::hostPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_server->serverPort());
}

int HoldingProxy::openCount() const
{
    int open = 0;
    for (const auto &socket : m_sockets)
        open += socket && socket->state() == QAbstractSocket::ConnectedState ? 1 : 0;
    return open;
}

void HoldingProxy::answerAll(const QByteArray &body)
{
    for (const auto &socket : std::as_const(m_sockets)) {
        if (!socket || socket->state() != QAbstractSocket::ConnectedState)
            continue;
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->flush();
    }
}
