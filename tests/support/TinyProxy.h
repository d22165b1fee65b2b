#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real tinyproxy on 127.0.0.1 for proxy tests: a private config and log in a temporary folder, a free port,
// run in the foreground (-d) and stopped when this object goes away.
//
//   TinyProxy proxy;
//   if (!TinyProxy::isAvailable()) QSKIP("tinyproxy is not installed (apt-get install tinyproxy)");
//   QVERIFY2(proxy.start(), qPrintable(proxy.errorString()));
//   control.setProxy(proxy.hostPort());
//
// Requests it forwards carry "Via: 1.1 tinyproxy ...", which tells a test that a request really went through it.
class TinyProxy final
{
public:
    TinyProxy();
    ~TinyProxy();
    TinyProxy(const TinyProxy &) = delete;
    TinyProxy &operator=(const TinyProxy &) = delete;

    // The tinyproxy executable ($PATH, /usr/bin, /usr/sbin), or empty when it is not installed.
    static QString binary();
    static bool isAvailable() { return !binary().isEmpty(); }

    // Starts the proxy and waits until it accepts connections (at most a few seconds).
    bool start();
    void stop();
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    // "127.0.0.1:<port>"
    QString hostPort() const;
    // What tinyproxy wrote to its log so far.
    QString log() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};
