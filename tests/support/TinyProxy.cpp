#include "support/TinyProxy.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

} // namespace

TinyProxy::TinyProxy()
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

TinyProxy::~TinyProxy()
{
    stop();
}

QString TinyProxy::binary()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("tinyproxy"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(QStringLiteral("tinyproxy"),
                                               {QStringLiteral("/usr/bin"), QStringLiteral("/usr/sbin")});
    return found;
}

QString TinyProxy::hostPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString TinyProxy::log() const
{
    QFile f(m_dir.filePath(QStringLiteral("tinyproxy.log")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool TinyProxy::start()
{
    const QString exe = binary();
    if (exe.isEmpty()) {
        m_error = QStringLiteral("tinyproxy is not installed");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    m_port = freeLoopbackPort();
    if (m_port == 0) {
        m_error = QStringLiteral("no free port");
        return false;
    }
    const QString config = m_dir.filePath(QStringLiteral("tinyproxy.conf"));
    QFile f(config);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = QStringLiteral("cannot write %1").arg(config);
        return false;
    }
    f.write(QStringLiteral("Port %1\n"
                           "Listen 127.0.0.1\n"
                           "Timeout 60\n"
                           "MaxClients 50\n"
                           "Allow 127.0.0.1\n"
                           "ViaProxyName \"tinyproxy\"\n"
                           "LogLevel Info\n"
                           "LogFile \"%2\"\n")
                .arg(m_port)
                .arg(m_dir.filePath(QStringLiteral("tinyproxy.log")))
                .toUtf8());
    f.close();

    m_process.start(exe, {QStringLiteral("-d"), QStringLiteral("-c"), config});
    if (!m_process.waitForStarted(5000)) {
        m_error = QStringLiteral("tinyproxy did not start: %1").arg(m_process.errorString());
        return false;
    }
    // Ready when it accepts a connection.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        if (m_process.state() != QProcess::Running) {
            m_error = QStringLiteral("tinyproxy exited: %1 %2").arg(QString::fromLocal8Bit(m_process.readAll()), log());
            return false;
        }
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        if (probe.waitForConnected(200)) {
            probe.disconnectFromHost();
            return true;
        }
        QTest::qWait(25);
    }
    m_error = QStringLiteral("tinyproxy does not accept connections on port %1: %2").arg(m_port).arg(log());
    stop();
    return false;
}

void TinyProxy::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}
