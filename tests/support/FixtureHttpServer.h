#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QTcpServer;
class QTcpSocket;

// A scripted HTTP/1.1 server on 127.0.0.1 with an ephemeral port, for every network test.
//
//   FixtureHttpServer server;                       // listens at once
//   server.route("/a", FixtureHttpServer::Response::html("<p>hi</p>"));
//   server.route("/slow", {.body = big, .bytesPerInterval = 1024, .intervalMs = 10});
//   server.serveDirectory("/scholar/", PH_TEST_DATA_DIR "/scholar");
//   server.setHandler([](const auto &req) -> std::optional<FixtureHttpServer::Response> { ... });
//   QUrl u = server.url("/a?x=1");
//   ... server.requests().last().header("Referer") ...
//
// Lookup order for a request: exact route (path with query), route on the path alone, served directories (longest
// prefix first), the catch-all handler, then 404. Connections are kept alive (HTTP/1.1) unless the client asks to
// close, the response has no length, or it is scripted to stall or close early. Everything runs on the thread's
// event loop; no threads.
class FixtureHttpServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FixtureHttpServer)

public:
    using HeaderList = QList<QPair<QByteArray, QByteArray>>;

    struct Request {
        QByteArray method;
        QByteArray target;  // as written in the request line (absolute form when sent to a proxy)
        QByteArray path;    // path with query, e.g. "/s?wd=x"; from the absolute form when that was sent
        HeaderList headers; // in order received
        QByteArray body;
        quint16 localPort = 0; // the server port the client connected to
        int connection = 0;    // 1-based number of the connection that carried it

        // The first value of a header, name compared ignoring case; empty when absent.
        QByteArray header(const QByteArray &name) const;
        bool hasHeader(const QByteArray &name) const;
        QByteArray pathOnly() const; // path without the query
    };

    enum class Framing {
        ContentLength, // Content-Length header (unless the script already gives one), keep-alive
        None,          // no length: "Connection: close", body ends when the connection closes
        Chunked,       // Transfer-Encoding: chunked; each slow piece is one chunk
    };

    struct Response {
        int status = 200;
        QByteArray reason;     // empty: the usual text for the status ("OK", "Not Found", ...)
        QByteArray statusLine; // when set, sent verbatim instead of "HTTP/1.1 <status> <reason>"
        HeaderList headers;    // sent as given, in order, before the framing headers
        QByteArray body;
        Framing framing = Framing::ContentLength;
        int bytesPerInterval = 0;        // > 0: send the body this many bytes at a time ...
        int intervalMs = 10;             // ... one piece every intervalMs
        int headerDelayMs = 0;           // wait before the status line; < 0: never answer (connection stays open)
        qint64 stallAfterBodyBytes = -1; // >= 0: send that many body bytes then nothing, connection left open
        qint64 closeAfterBodyBytes = -1; // >= 0: send that many body bytes then close the connection

        static Response html(const QByteArray &body, const QByteArray &contentType = "text/html");
        static Response text(const QByteArray &body, const QByteArray &contentType = "text/plain");
        static Response withStatus(int code, const QByteArray &body = {});
        static Response redirect(const QByteArray &location, int code = 302);
        Response &withHeader(const QByteArray &name, const QByteArray &value)
        {
            headers.append({name, value});
            return *this;
        }
    };

    using Handler = std::function<std::optional<Response>(const Request &)>;

    explicit FixtureHttpServer(QObject *parent = nullptr);
    ~FixtureHttpServer() override;

    bool isListening() const;
    quint16 port() const;
    // "http://127.0.0.1:<port>" + path.
    QUrl url(const QString &path = QStringLiteral("/")) const;
    QString urlText(const QString &path = QStringLiteral("/")) const { return url(path).toString(QUrl::FullyEncoded); }

    // Script the answer for one path (with or without query). A later call for the same path replaces it.
    void route(const QString &path, const Response &response);
    void removeRoute(const QString &path);
    // Serve files under `directory` for paths starting with `urlPrefix` ("/scholar/"). A folder gives its index.html.
    void serveDirectory(const QString &urlPrefix, const QString &directory);
    // Content type for files of an extension (without dot, lower case); overrides the built-in table.
    void setContentType(const QString &extension, const QByteArray &contentType);
    void setHandler(Handler handler);

    QList<Request> requests() const { return m_requests; }
    QList<Request> requestsFor(const QString &pathOnly) const;
    void clearRequests() { m_requests.clear(); }
    // Ends every client so far, before it is heard any further: the connections already open and those still
    // waiting to be accepted are closed, and what they bring is never read, counted nor answered; the requests
    // recorded are forgotten. For a test that counts a second client's requests once the first is gone: Qt's
    // HTTP thread may send a request whose answer the server cut short once more, on a connection of its own,
    // before its manager is gone, and this server, on the test's thread, would only read it later.
    void forgetEarlierClients();
    int connectionCount() const { return m_connections; }
    int openConnectionCount() const;
    // Closes every open connection (e.g. to end stalled responses before the test finishes).
    void closeAllConnections();

    static QByteArray contentTypeForFile(const QString &fileName);

Q_SIGNALS:
    void requestReceived(const FixtureHttpServer::Request &request);

private:
    class Connection;
    friend class Connection;

    void onNewConnection();
    Response respond(const Request &request);
    std::optional<Response> fromDirectories(const Request &request) const;

    QTcpServer *m_server = nullptr;
    QHash<QString, Response> m_routes;
    QList<QPair<QString, QString>> m_directories; // prefix, folder
    QHash<QString, QByteArray> m_contentTypes;
    Handler m_handler;
    QList<Request> m_requests;
    QList<QPointer<QObject>> m_open;
    int m_connections = 0;
};
