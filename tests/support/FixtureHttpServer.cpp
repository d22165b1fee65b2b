#include "support/FixtureHttpServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr qsizetype kMaxHeadBytes = 1 << 20;

QByteArray reasonFor(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 307:
        return "Temporary Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

bool hasHeaderIn(const FixtureHttpServer::HeaderList &headers, const QByteArray &name)
{
    return std::any_of(headers.begin(), headers.end(),
                       [&](const auto &h) { return h.first.compare(name, Qt::CaseInsensitive) == 0; });
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Request / Response helpers

QByteArray FixtureHttpServer::Request::header(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return {};
}

bool FixtureHttpServer::Request::hasHeader(const QByteArray &name) const
{
    return hasHeaderIn(headers, name);
}

QByteArray FixtureHttpServer::Request::pathOnly() const
{
    const auto q = path.indexOf('?');
    return q < 0 ? path : path.left(q);
}

FixtureHttpServer::Response FixtureHttpServer::Response::html(const QByteArray &body, const QByteArray &contentType)
{
    Response r;
    r.body = body;
    r.headers.append({"Content-Type", contentType});
    return r;
}

FixtureHttpServer::Response FixtureHttpServer::Response::text(const QByteArray &body, const QByteArray &contentType)
{
    return html(body, contentType);
}

FixtureHttpServer::Response FixtureHttpServer::Response::withStatus(int code, const QByteArray &body)
{
    Response r;
    r.status = code;
    r.body = body;
    r.headers.append({QByteArray("Content-Type"), QByteArray("text/html")});
    return r;
}

FixtureHttpServer::Response FixtureHttpServer::Response::redirect(const QByteArray &location, int code)
{
    Response r;
    r.status = code;
    r.headers.append({QByteArray("Location"), location});
    return r;
}

// ---------------------------------------------------------------------------------------------------------------
// One client connection: parses requests one after the other and plays the scripted responses.

class FixtureHttpServer::Connection final : public QObject
{
public:
    Connection(FixtureHttpServer *server, QTcpSocket *socket, int number)
        : QObject(server), m_server(server), m_socket(socket), m_number(number)
    {
        m_socket->setParent(this);
        m_pacer.setParent(this);
        connect(m_socket, &QTcpSocket::readyRead, this, &Connection::onReadyRead);
        connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
        connect(&m_pacer, &QTimer::timeout, this, &Connection::sendPiece);
        if (m_socket->bytesAvailable() > 0)
            QTimer::singleShot(0, this, &Connection::onReadyRead);
    }

    bool isOpen() const { return m_socket->state() == QAbstractSocket::ConnectedState; }
    void close()
    {
        m_closed = true;
        m_socket->abort();
        deleteLater();
    }

private:
    void onReadyRead()
    {
        // A request read before the close but not yet taken up is never answered either.
        if (m_closed)
            return;
        m_in.append(m_socket->readAll());
        processBuffer();
    }

    void processBuffer()
    {
        if (m_busy)
            return;
        const auto headEnd = m_in.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            if (m_in.size() > kMaxHeadBytes)
                close();
            return;
        }
        Request req;
        req.localPort = m_socket->localPort();
        req.connection = m_number;
        const QList<QByteArray> lines = m_in.left(headEnd).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        req.method = first.value(0);
        req.target = first.value(1);
        const QByteArray version = first.value(2);
        req.path = req.target;
        if (req.target.startsWith("http://") || req.target.startsWith("https://")) {
            const auto slash = req.target.indexOf('/', req.target.indexOf("://") + 3);
            req.path = slash < 0 ? QByteArray("/") : req.target.mid(slash);
        }
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const auto colon = line.indexOf(':');
            if (colon > 0)
                req.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        bool ok = false;
        const qint64 bodyLength = req.header("Content-Length").toLongLong(&ok);
        const qint64 available = m_in.size() - (headEnd + 4);
        if (ok && bodyLength > available)
            return; // wait for the rest of the request body
        const qint64 taken = ok && bodyLength > 0 ? bodyLength : 0;
        req.body = m_in.mid(headEnd + 4, taken);
        m_in.remove(0, headEnd + 4 + taken);

        const QByteArray connectionHeader = req.header("Connection").toLower();
        m_closeAfter =
            connectionHeader.contains("close") || (version == "HTTP/1.0" && !connectionHeader.contains("keep-alive"));
        m_isHead = req.method == "HEAD";

        m_server->m_requests.append(req);
        Q_EMIT m_server->requestReceived(req);
        m_response = m_server->respond(req);
        m_busy = true;
        if (m_response.headerDelayMs < 0)
            return; // never answer
        if (m_response.headerDelayMs > 0)
            QTimer::singleShot(m_response.headerDelayMs, this, &Connection::sendHead);
        else
            sendHead();
    }

    void sendHead()
    {
        const Response &r = m_response;
        QByteArray head = r.statusLine;
        if (head.isEmpty())
            head = "HTTP/1.1 " + QByteArray::number(r.status) + ' ' +
                   (r.reason.isEmpty() ? reasonFor(r.status) : r.reason);
        head += "\r\n";
        for (const auto &h : r.headers)
            head += h.first + ": " + h.second + "\r\n";
        switch (r.framing) {
        case Framing::ContentLength:
            if (!hasHeaderIn(r.headers, "Content-Length"))
                head += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
            break;
        case Framing::None:
            m_closeAfter = true;
            break;
        case Framing::Chunked:
            head += "Transfer-Encoding: chunked\r\n";
            break;
        }
        if (m_closeAfter && !hasHeaderIn(r.headers, "Connection"))
            head += "Connection: close\r\n";
        head += "\r\n";
        m_socket->write(head);

        m_sent = 0;
        m_limit = m_isHead ? 0 : r.body.size();
        if (!m_isHead && r.stallAfterBodyBytes >= 0)
            m_limit = std::min(m_limit, r.stallAfterBodyBytes);
        if (!m_isHead && r.closeAfterBodyBytes >= 0)
            m_limit = std::min(m_limit, r.closeAfterBodyBytes);
        if (r.bytesPerInterval > 0 && m_limit > 0) {
            sendPiece();
            if (m_busy && m_sent < m_limit)
                m_pacer.start(std::max(1, r.intervalMs));
        } else {
            writeBody(m_limit);
            endBody();
        }
    }

    void sendPiece()
    {
        const qint64 n = std::min<qint64>(m_response.bytesPerInterval, m_limit - m_sent);
        writeBody(n);
        if (m_sent >= m_limit) {
            m_pacer.stop();
            endBody();
        }
    }

    void writeBody(qint64 n)
    {
        if (n <= 0)
            return;
        const QByteArray piece = m_response.body.mid(m_sent, n);
        if (m_response.framing == Framing::Chunked)
            m_socket->write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
        else
            m_socket->write(piece);
        m_sent += n;
    }

    void endBody()
    {
        const Response &r = m_response;
        if (!m_isHead && r.stallAfterBodyBytes >= 0 && m_sent >= r.stallAfterBodyBytes &&
            (r.closeAfterBodyBytes < 0 || r.stallAfterBodyBytes < r.closeAfterBodyBytes))
            return; // stalled: keep the connection open and busy, send nothing more
        if (!m_isHead && r.closeAfterBodyBytes >= 0 && m_sent >= r.closeAfterBodyBytes && m_sent < r.body.size()) {
            m_socket->disconnectFromHost();
            return;
        }
        if (r.framing == Framing::Chunked && !m_isHead)
            m_socket->write("0\r\n\r\n");
        if (m_closeAfter) {
            m_socket->disconnectFromHost();
            return;
        }
        m_busy = false;
        if (!m_in.isEmpty())
            processBuffer();
    }

    FixtureHttpServer *m_server;
    QTcpSocket *m_socket;
    int m_number;
    QTimer m_pacer;
    QByteArray m_in;
    Response m_response;
    bool m_busy = false;
    bool m_closed = false;
    bool m_closeAfter = false;
    bool m_isHead = false;
    qint64 m_sent = 0;
    qint64 m_limit = 0;
};

// ---------------------------------------------------------------------------------------------------------------

FixtureHttpServer::FixtureHttpServer(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &FixtureHttpServer::onNewConnection);
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        qWarning("FixtureHttpServer: cannot listen: %s", qPrintable(m_server->errorString()));
}

FixtureHttpServer::~FixtureHttpServer()
{
    m_server->close();
    closeAllConnections();
}

bool FixtureHttpServer::isListening() const
{
    return m_server->isListening();
}

quint16 FixtureHttpServer::port() const
{
    return m_server->serverPort();
}

QUrl FixtureHttpServer::url(const QString &path) const
{
    const QString p = path.startsWith(u'/') ? path : u'/' + path;
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(p));
}

void FixtureHttpServer::route(const QString &path, const Response &response)
{
    m_routes.insert(path, response);
}

void FixtureHttpServer::removeRoute(const QString &path)
{
    m_routes.remove(path);
}

void FixtureHttpServer::serveDirectory(const QString &urlPrefix, const QString &directory)
{
    QString prefix = urlPrefix.startsWith(u'/') ? urlPrefix : u'/' + urlPrefix;
    if (!prefix.endsWith(u'/'))
        prefix += u'/';
    m_directories.append({prefix, QDir(directory).absolutePath()});
    std::stable_sort(m_directories.begin(), m_directories.end(),
                     [](const auto &a, const auto &b) { return a.first.size() > b.first.size(); });
}

void FixtureHttpServer::setContentType(const QString &extension, const QByteArray &contentType)
{
    m_contentTypes.insert(extension.toLower(), contentType);
}

void FixtureHttpServer::setHandler(Handler handler)
{
    m_handler = std::move(handler);
}

QList<FixtureHttpServer::Request> FixtureHttpServer::requestsFor(const QString &pathOnly) const
{
    QList<Request> out;
    for (const auto &r : m_requests)
        if (QString::fromUtf8(r.pathOnly()) == pathOnly)
            out.append(r);
    return out;
}

int FixtureHttpServer::openConnectionCount() const
{
    int n = 0;
    for (const auto &c : m_open)
        n += c && static_cast<Connection *>(c.data())->isOpen() ? 1 : 0;
    return n;
}

void FixtureHttpServer::closeAllConnections()
{
    const auto open = std::exchange(m_open, {});
    for (const auto &c : open)
        if (c)
            static_cast<Connection *>(c.data())->close();
}

void FixtureHttpServer::forgetEarlierClients()
{
    // Accepted without waiting: a connection its client finished opening is in the listening socket's queue.
    while (m_server->waitForNewConnection(0)) {
    }
    closeAllConnections();
    m_requests.clear();
}

QByteArray FixtureHttpServer::contentTypeForFile(const QString &fileName)
{
    static const QHash<QString, QByteArray> table = {
        {"html", "text/html; charset=utf-8"},
        {"htm", "text/html; charset=utf-8"},
        {"css", "text/css"},
        {"js", "application/javascript"},
        {"json", "application/json"},
        {"txt", "text/plain; charset=utf-8"},
        {"xml", "application/xml"},
        {"pdf", "application/pdf"},
        {"png", "image/png"},
        {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"gif", "image/gif"},
        {"svg", "image/svg+xml"},
        {"ico", "image/x-icon"},
        {"zip", "application/zip"},
        {"rar", "application/x-rar-compressed"},
        {"doc", "application/msword"},
        {"xls", "application/vnd.ms-excel"},
        {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
        {"wav", "audio/wav"},
    };
    return table.value(QFileInfo(fileName).suffix().toLower(), "application/octet-stream");
}

void FixtureHttpServer::onNewConnection()
{
    m_open.removeAll(nullptr);
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        // A response's last small piece goes out at once instead of waiting for the client's delayed
        // acknowledgement: without it a client that keeps the connection waits some 40 ms per response.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_open.append(new Connection(this, socket, ++m_connections));
    }
}

std::optional<FixtureHttpServer::Response> FixtureHttpServer::fromDirectories(const Request &request) const
{
    const QString path = QUrl::fromPercentEncoding(request.pathOnly());
    for (const auto &[prefix, folder] : m_directories) {
        if (!path.startsWith(prefix) && path + u'/' != prefix)
            continue;
        const QString relative = path.mid(std::min(prefix.size(), path.size()));
        QString file = QDir::cleanPath(folder + u'/' + relative);
        if (file != folder && !file.startsWith(folder + u'/'))
            return Response::withStatus(403);
        if (QFileInfo(file).isDir())
            file += QStringLiteral("/index.html");
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString ext = QFileInfo(file).suffix().toLower();
        return Response::text(f.readAll(), m_contentTypes.value(ext, contentTypeForFile(file)));
    }
    return std::nullopt;
}

FixtureHttpServer::Response FixtureHttpServer::respond(const Request &request)
{
    const QString full = QString::fromUtf8(request.path);
    if (auto it = m_routes.constFind(full); it != m_routes.cend())
        return *it;
    if (auto it = m_routes.constFind(QString::fromUtf8(request.pathOnly())); it != m_routes.cend())
        return *it;
    if (auto r = fromDirectories(request))
        return *r;
    if (m_handler)
        if (auto r = m_handler(request))
            return *r;
    return Response::withStatus(404, "<html><body>not found</body></html>");
}
