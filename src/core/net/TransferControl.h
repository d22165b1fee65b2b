#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <chrono>
#include <memory>

#include <qcoro/qcorotask.h>

class ConnectionsByProxy;
class QNetworkAccessManager;
class QNetworkReply;
class ClockTimer;

// One HTTP/HTTPS transfer object: the page fetch and download engine 1 drive a request through it step by step
// (settings, execute, wait while executing, headers, chunks, cancel), or read a whole body in one call. One request at
// a time per instance; callers that work in parallel use several instances.
//
// Nothing here blocks: `execute` returns at once, and the waits are coroutines that suspend until the network
// reports progress, so the window stays responsive and an idle wait costs no CPU.
//
// Connection rules, as callers rely on them:
//  - accessType 0 uses the system's default connection, 1 a direct one, 2 the proxy named by `proxy`
//    ("host:port", "HTTP=host:port" or "http://host:port"). Through a proxy the address is sent unchanged.
//  - Without a proxy, `protocol` (4 HTTP, 5 HTTPS) and `remotePort` (> 0) decide the scheme and port of the
//    connection, whatever the address itself says; 0 (the default for both) leaves them to the address.
//  - `requestTimeout` (seconds, on the program's clock) ends a request that gets no response headers in time.
//  - Redirects are followed, but never from HTTPS to plain HTTP.
class TransferControl final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferControl)

public:
    enum AccessTypeValue { icUseDefault = 0, icDirect = 1, icNamedProxy = 2 };
    enum ProtocolValue { icDefault = 0, icHTTP = 4, icHTTPS = 5 };
    // The numbers `stateChanged` reports; the download window shows a text for each.
    enum StateValue {
        icNone = 0,
        icResolvingHost = 1,
        icHostResolved = 2,
        icConnecting = 3,
        icConnected = 4,
        icRequesting = 5,
        icRequestSent = 6,
        icReceivingResponse = 7,
        icResponseReceived = 8,
        icDisconnecting = 9,
        icDisconnected = 10,
        icError = 11,
        icResponseCompleted = 12,
    };

    // With `connections`, requests go through the manager it keeps for their proxy (it must outlive the object's
    // requests); otherwise through a manager of the object's own.
    explicit TransferControl(QObject *parent = nullptr, ConnectionsByProxy *connections = nullptr);
    ~TransferControl() override;

    int accessType() const { return m_accessType; }
    void setAccessType(int type) { m_accessType = type; }
    QString proxy() const { return m_proxy; }
    void setProxy(const QString &proxy) { m_proxy = proxy; }
    int protocol() const { return m_protocol; }
    void setProtocol(int protocol) { m_protocol = protocol; }
    int remotePort() const { return m_remotePort; }
    void setRemotePort(int port) { m_remotePort = port; }
    // Seconds; 0 = no limit. Default 60.
    int requestTimeout() const { return m_requestTimeout; }
    void setRequestTimeout(int seconds) { m_requestTimeout = seconds; }

    // Starts a request and returns at once. `requestHeaders` holds "Name: value" lines separated by CR LF (empty
    // lines are ignored). `data` is sent for POST only. Returns false (and sends nothing) while a request is still
    // running or when the address is not an http(s) address; `responseCode`/`responseInfo` then say why.
    bool execute(const QString &address, const QString &method = QStringLiteral("GET"), const QByteArray &data = {},
                 const QString &requestHeaders = {});

    // True from `execute` until the response headers are in, or the request failed, timed out or was cancelled.
    bool stillExecuting() const { return m_executing; }
    // Suspends until the control is no longer executing or `limit` passes (-1: no limit). True when idle.
    QCoro::Task<bool> waitWhileExecuting(std::chrono::milliseconds limit);

    // All response headers, status line first, each line ending in CR LF; empty before the headers are in.
    QString getHeader() const;
    // The value of one response header (name compared ignoring case); empty when absent.
    QString getHeader(const QString &name) const;
    int statusCode() const { return m_statusCode; }

    // The next body bytes, at most `size`. Suspends until some are available, the body has ended, the request was
    // cancelled, or `maxWait` passes (-1: no limit); returns empty in the last three cases.
    QCoro::Task<QByteArray> getChunk(qint64 size, std::chrono::milliseconds maxWait);
    // The body bytes available now, at most `size`, without waiting.
    QByteArray readAvailable(qint64 size);
    // True when the whole body has arrived and has been read, or there is no request.
    bool bodyAtEnd() const;
    // True once the response has ended whole. A body that broke off, closed short of its announced length, was
    // cancelled or has merely stopped arriving is not whole, however much of it is in.
    bool responseComplete() const { return m_state == icResponseCompleted; }

    // The whole body of `address` in one call, with the current connection settings (the request time-out also
    // bounds each silence during the body). Empty on failure and for answers other than 2xx: an error page is
    // never handed out as the document.
    QCoro::Task<QByteArray> openUrl(const QString &address);

    // Ends the running request (if any); pending waits return at once.
    void cancel();

    // Error number and text of the last failed request (0 and empty when it did not fail).
    int responseCode() const { return m_responseCode; }
    QString responseInfo() const { return m_responseInfo; }
    // The last request failed at the proxy (refused, silent, closed, not found), not at the server.
    bool failedAtProxy() const { return m_failedAtProxy; }
    // The last state reported.
    int state() const { return m_state; }
    // The address the connection actually used for the last request (after protocol, port and redirects).
    QUrl effectiveUrl() const { return m_effectiveUrl; }

Q_SIGNALS:
    void stateChanged(int state);
    // `stillExecuting` went from true to false.
    void executionEnded();
    // New body bytes arrived, the body ended, or the request was cancelled.
    void bodyProgress();

private:
    QNetworkReply *startRequest(const QString &address, const QByteArray &method, const QByteArray &data,
                                const QString &requestHeaders, bool wholeBody);
    void applyProxy();
    void reportUpTo(int state);
    void report(int state);
    void onMetaData();
    void onFinished();
    void onRequestTimeout();
    void endExecuting();
    void fail(int code, const QString &info);

    QPointer<ConnectionsByProxy> m_connections;
    QNetworkAccessManager *m_ownManager = nullptr;
    QNetworkAccessManager *m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    ClockTimer *m_requestTimer = nullptr;

    int m_accessType = icUseDefault;
    QString m_proxy;
    int m_protocol = icDefault;
    int m_remotePort = 0;
    int m_requestTimeout = 60;

    bool m_executing = false;
    bool m_headersIn = false;
    bool m_finished = false;
    bool m_wholeBody = false;
    int m_state = icNone;
    int m_statusCode = 0;
    qint64 m_bodyBytesRead = 0;
    QString m_reason;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    int m_responseCode = 0;
    QString m_responseInfo;
    bool m_failedAtProxy = false;
    QUrl m_effectiveUrl;
};
