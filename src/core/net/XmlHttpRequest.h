#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class QUrl;

// The request component `uXMLHTTP`: one asynchronous HTTP request at a time, whose end the host learns from an
// event. Hosts use it as `Open_` → (`SetRequestHeader`) → `Send_`, then wait for `OnDateArrived` (status 200,
// body saved first when a file was named) or `OnDateErr` (anything else, with the status's Chinese description).
//
// The end is found by polling: while a request runs, the timer `tmrReader` ticks every 10 ms, raises
// `OnReadyStateChange` and, once the request has ended, raises the end event. So every event arrives from the event
// loop, after `Send_` has returned, never from inside a member call; a host may open, send again or release the
// instance from inside any of its events.
//
// Members never fail loudly: reads give 0 or the empty text when there is nothing to read. `errorString` says why a
// request ended without success, for logs and tests; it is not a user text.
//
// Beyond what the platform object did:
//  - Only http and https addresses are fetched. Any other address ends the request as a connection that cannot
//    be made does: status 0 and `OnDateErr` with the empty description. A redirect is followed only to an http or
//    https address and never from https down to http; otherwise the redirect's own status ends the request.
//  - A 200 answer counts only when its body arrived whole: a body cut short, or one that cannot be saved to the
//    named file, ends in `OnDateErr` with the empty description instead of `OnDateArrived`.
//  - The save file is replaced only by a complete body (see WriteResponseFile); a failed save leaves the old one.
class XmlHttpRequest final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(XmlHttpRequest)

public:
    // Ready states as the platform object numbered them.
    enum ReadyStateValue { Uninitialized = 0, Loading = 1, Loaded = 2, Interactive = 3, Completed = 4 };
    static constexpr std::chrono::milliseconds kPollInterval{10};

    // Sends through its own network access manager.
    explicit XmlHttpRequest(QObject *parent = nullptr);
    // Sends through `manager`, which the caller keeps alive as long as this instance (a set of instances shares one).
    explicit XmlHttpRequest(QNetworkAccessManager *manager, QObject *parent = nullptr);
    ~XmlHttpRequest() override;

    // Prepares a request: `method` is sent upper-cased; `saveFile` (may be empty) receives a 200 answer's body.
    // Ends any request still running, without an event. Clears `DownOK`.
    void Open_(const QString &method, const QString &address, const QString &saveFile = {});
    // Adds a header to the opened request; ignored before `Open_`, after `Send_`, and for names or values that
    // would break the header block (line breaks, an empty name).
    void SetRequestHeader(const QString &name, const QString &value);
    // Sends the opened request (`body` as UTF-8; GET and HEAD send none) and starts polling. Does nothing unless
    // `Open_` was called since the last send.
    void Send_(const QString &body = {});
    // Stops polling and ends the request without an event; the instance is idle again.
    void Abort_();

    bool DownOK() const { return m_downOk; }
    int ReadyState() const { return m_readyState; }
    int Status() const { return m_status; }
    QString StatusText() const { return m_statusText; }
    QString GetResponseHeader(const QString &name) const;
    // "Name: value" lines, each ending in CR LF.
    QString GetAllResponseHeaders() const;
    // The body received so far (all of it once the ready state is 4).
    QByteArray ResponseBody() const { return m_body; }
    // The body decoded in the Content-Type's character set; without one, by its byte-order mark, else as UTF-8.
    QString ResponseText() const;

    QString errorString() const { return m_error; }

Q_SIGNALS:
    void OnDateArrived();
    void OnReadyStateChange();
    void OnDateErr(const QString &description);

private:
    void tmrReader_Timer();
    void raiseEndEvent();
    void startReply(const QUrl &url, const QString &body);
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void endWithoutResponse(const QString &reason);
    void resetResponse();
    void dropReply();
    QNetworkAccessManager *manager();

    QPointer<QNetworkAccessManager> m_manager;
    bool m_ownsManager = false;
    QPointer<QNetworkReply> m_reply;
    QTimer *m_tmrReader = nullptr;

    QByteArray m_method;
    QString m_address;
    QString m_saveFile;
    QList<QPair<QByteArray, QByteArray>> m_requestHeaders;
    bool m_pollAfterSend = false; // opened and not sent yet
    bool m_downOk = false;
    int m_readyState = Uninitialized;
    bool m_headersIn = false;
    int m_status = 0;
    QString m_statusText;
    QList<QPair<QByteArray, QByteArray>> m_responseHeaders;
    QByteArray m_body;
    QString m_error;
};
