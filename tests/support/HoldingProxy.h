#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpServer;
class QTcpSocket;

// A proxy on 127.0.0.1 that takes every request and holds it without a word until the test calls answerAll(), so a
// test decides that its answer comes later than a response-time limit.
class HoldingProxy final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HoldingProxy)

public:
    explicit HoldingProxy(QObject *parent = nullptr);
    ~HoldingProxy() override;

    // "127.0.0.1:<port>"
    QString hostPort() const;
    // Requests whose header block has arrived.
    int heldCount() const { return m_held; }
    // Connections still open (the client gives up by closing its end).
    int openCount() const;
    // Answers every held request with 200 and `body`.
    void answerAll(const QByteArray &body);

Q_SIGNALS:
    void requestHeld();

private:
    QTcpServer *m_server = nullptr;
    QList<QPointer<QTcpSocket>> m_sockets;
    int m_held = 0;
};
