#include "core/net/TransferControl.h"

#include "core/net/ConnectionsByProxy.h"
#include "core/net/HttpRequest.h"
#include "core/net/LifetimeGuard.h"
#include "core/net/NetworkAccess.h"
#include "core/net/NetworkFailure.h"
#include "core/net/SignalWait.h"
#include "core/util/Clock.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

using namespace std::chrono_literals;

namespace {

// Body bytes Qt may hold for us before it stops reading the socket; the readers take them in small chunks, so a
// large download streams through instead of piling up in memory.
constexpr qint64 kReadBuffer = 256 * 1024;

// A deadline on the program's clock, -1 for none.
qint64 deadlineAfter(std::chrono::milliseconds limit)
{
    return limit.count() < 0 ? -1 : Clock::monotonicMs() + limit.count();
}

std::chrono::milliseconds remaining(qint64 deadline)
{
    if (deadline < 0)
        return -1ms;
    return std::chrono::milliseconds(std::max<qint64>(0, deadline - Clock::monotonicMs()));
}

} // namespace

TransferControl::TransferControl(QObject *parent, ConnectionsByProxy *connections)
    : QObject(parent), m_connections(connections), m_requestTimer(new ClockTimer(this))
{
    m_requestTimer->setSingleShot(true);
    connect(m_requestTimer, &ClockTimer::timeout, this, &TransferControl::onRequestTimeout);
}

TransferControl::~TransferControl()
{
    EndReply(m_reply, this);
}

bool TransferControl::execute(const QString &address, const QString &method, const QByteArray &data,
                              const QString &requestHeaders)
{
    if (m_executing) {
        // Refused like a control that is still busy: the running request goes on.
        m_responseCode = 12017;
        m_responseInfo = QStringLiteral("Still executing last request");
        return false;
    }
    QByteArray verb = method.trimmed().toUpper().toLatin1();
    if (verb.isEmpty())
        verb = "GET";
    return startRequest(address, verb, data, requestHeaders, false) != nullptr;
}

QNetworkReply *TransferControl::startRequest(const QString &address, const QByteArray &method, const QByteArray &data,
                                             const QString &requestHeaders, bool wholeBody)
{
    EndReply(m_reply, this);
    m_headersIn = false;
    m_finished = false;
    m_statusCode = 0;
    m_reason.clear();
    m_headers.clear();
    m_responseCode = 0;
    m_responseInfo.clear();
    m_failedAtProxy = false;
    m_state = icNone;
    m_bodyBytesRead = 0;

    QUrl url(address.trimmed(), QUrl::TolerantMode);
    if (!IsWebAddress(url)) {
        m_finished = true;
        fail(12005, QStringLiteral("The URL is invalid"));
        return nullptr;
    }
    applyProxy();
    if (m_accessType != icNamedProxy) {
        if (m_protocol == icHTTP)
            url.setScheme(QStringLiteral("http"));
        else if (m_protocol == icHTTPS)
            url.setScheme(QStringLiteral("https"));
        if (m_remotePort > 0 && m_remotePort < 65536)
            url.setPort(m_remotePort);
    }
    m_effectiveUrl = url;

    QNetworkRequest request = NewHttpRequest(url);
    for (const QString &line : requestHeaders.split(QLatin1Char('\n'))) {
        const auto colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLatin1();
        if (!name.isEmpty())
            request.setRawHeader(name, line.mid(colon + 1).trimmed().toUtf8());
    }

    QNetworkReply *reply = nullptr;
    if (method == "GET")
        reply = m_manager->get(request);
    else if (method == "POST")
        reply = m_manager->post(request, data);
    else if (method == "HEAD")
        reply = m_manager->head(request);
    else
        reply = m_manager->sendCustomRequest(request, method, data);
    m_reply = reply;
    if (!wholeBody)
        reply->setReadBufferSize(kReadBuffer);

    connect(reply, &QNetworkReply::socketStartedConnecting, this, [this] { reportUpTo(icConnecting); });
    connect(reply, &QNetworkReply::requestSent, this, [this] { reportUpTo(icRequestSent); });
    connect(reply, &QNetworkReply::metaDataChanged, this, &TransferControl::onMetaData);
    connect(reply, &QNetworkReply::readyRead, this, [this] {
        if (!m_headersIn)
            onMetaData();
        // For a whole body the time-out bounds each silence.
        if (m_wholeBody && m_requestTimer->isActive())
            m_requestTimer->start();
        Q_EMIT bodyProgress();
    });
    connect(reply, &QNetworkReply::finished, this, &TransferControl::onFinished);

    m_executing = true;
    m_wholeBody = wholeBody;
    if (m_requestTimeout > 0)
        m_requestTimer->start(std::chrono::seconds(m_requestTimeout));
    report(icResolvingHost);
    return reply;
}

void TransferControl::applyProxy()
{
    ProxyUse use = ProxyUse::SystemDefault;
    if (m_accessType == icDirect)
        use = ProxyUse::Direct;
    else if (m_accessType == icNamedProxy)
        use = ProxyUse::Named;
    const QNetworkProxy proxy = ConnectionProxy(use, m_proxy);
    m_manager = m_connections ? m_connections->managerFor(proxy) : nullptr;
    if (m_manager)
        return;
    if (!m_ownManager) {
        m_ownManager = NewNetworkAccess(this);
        m_ownManager->setAutoDeleteReplies(false);
    }
    m_manager = m_ownManager;
    m_manager->setProxy(proxy);
}

void TransferControl::report(int state)
{
    m_state = state;
    Q_EMIT stateChanged(state);
}

void TransferControl::reportUpTo(int state)
{
    while (m_state < state && m_state < icResponseReceived)
        report(m_state + 1);
}

void TransferControl::onMetaData()
{
    if (!m_reply || m_headersIn)
        return;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return;
    // A redirect that Qt follows by itself is not the answer yet.
    const int code = status.toInt();
    if (code >= 300 && code < 400 && m_reply->hasRawHeader("Location") && !m_reply->isFinished())
        return;
    m_statusCode = code;
    m_reason = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    m_headers = m_reply->rawHeaderPairs();
    m_effectiveUrl = m_reply->url();
    m_headersIn = true;
    reportUpTo(icResponseReceived);
    if (!m_wholeBody)
        endExecuting();
}

void TransferControl::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_requestTimer->stop();
    onMetaData();
    m_finished = true;
    const auto error = reply->error();
    // Qt sometimes takes a connection closed in mid-body for the end of the body; the announced length tells.
    bool announced = false;
    const qint64 length = getHeader(QStringLiteral("Content-Length")).trimmed().toLongLong(&announced);
    const bool cutShort = announced && reply->operation() != QNetworkAccessManager::HeadOperation &&
                          m_bodyBytesRead + reply->bytesAvailable() < length;
    if (IsTransportError(error) || !m_headersIn) {
        const NetworkFailure failure = NetworkFailureOf(error);
        // Through a proxy every connection is the proxy's: before any answer, a refusal or silence is its own (a
        // working proxy answers for a server it cannot reach).
        m_failedAtProxy = failure.atProxy || (m_accessType == icNamedProxy && !m_headersIn);
        fail(failure.number != 0 ? failure.number : 12004, reply->errorString());
    } else if (cutShort)
        fail(12030, QStringLiteral("The connection was closed before the whole body arrived"));
    else
        report(icResponseCompleted);
    endExecuting();
    Q_EMIT bodyProgress();
}

void TransferControl::onRequestTimeout()
{
    if (!m_executing || (m_headersIn && !m_wholeBody))
        return;
    EndReply(m_reply, this);
    m_finished = true;
    fail(12002, QStringLiteral("The operation timed out"));
    endExecuting();
    Q_EMIT bodyProgress();
}

void TransferControl::fail(int code, const QString &info)
{
    m_responseCode = code;
    m_responseInfo = info;
    report(icError);
}

void TransferControl::endExecuting()
{
    m_requestTimer->stop();
    if (!m_executing)
        return;
    m_executing = false;
    Q_EMIT executionEnded();
}

void TransferControl::cancel()
{
    const bool running = m_reply && (m_executing || !m_finished);
    m_requestTimer->stop();
    EndReply(m_reply, this);
    m_finished = true;
    if (running) {
        report(icDisconnecting);
        report(icDisconnected);
    }
    endExecuting();
    Q_EMIT bodyProgress();
}

QCoro::Task<bool> TransferControl::waitWhileExecuting(std::chrono::milliseconds limit)
{
    const auto self = lifetimeGuard(this);
    const qint64 deadline = deadlineAfter(limit);
    while (self && m_executing) {
        const auto left = remaining(deadline);
        if (left == 0ms)
            co_return false;
        if (!co_await waitForSignal(this, &TransferControl::executionEnded, left))
            co_return self && !m_executing;
    }
    co_return true;
}

QString TransferControl::getHeader() const
{
    if (!m_headersIn)
        return {};
    QString text = QStringLiteral("HTTP/1.1 %1 %2\r\n").arg(m_statusCode).arg(m_reason);
    for (const auto &[name, value] : m_headers) {
        // Qt joins repeated headers with newlines (cookies) or commas; give each its own line.
        for (const QByteArray &v : value.split('\n'))
            text += QString::fromLatin1(name) + QStringLiteral(": ") + QString::fromLatin1(v) + QStringLiteral("\r\n");
    }
    return text;
}

QString TransferControl::getHeader(const QString &name) const
{
    const QByteArray key = name.trimmed().toLatin1();
    for (const auto &[n, value] : m_headers)
        if (n.compare(key, Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(value);
    return {};
}

QByteArray TransferControl::readAvailable(qint64 size)
{
    if (!m_reply || size <= 0)
        return {};
    QByteArray data = m_reply->read(size);
    m_bodyBytesRead += data.size();
    return data;
}

bool TransferControl::bodyAtEnd() const
{
    return !m_reply || (m_finished && m_reply->bytesAvailable() == 0);
}

QCoro::Task<QByteArray> TransferControl::getChunk(qint64 size, std::chrono::milliseconds maxWait)
{
    const auto self = lifetimeGuard(this);
    const qint64 deadline = deadlineAfter(maxWait);
    while (self) {
        if (m_reply && m_reply->bytesAvailable() > 0)
            co_return readAvailable(std::max<qint64>(1, size));
        if (bodyAtEnd())
            co_return {};
        const auto left = remaining(deadline);
        if (left == 0ms || !co_await waitForSignal(this, &TransferControl::bodyProgress, left))
            co_return {};
    }
    co_return {};
}

QCoro::Task<QByteArray> TransferControl::openUrl(const QString &address)
{
    if (m_reply || m_executing)
        cancel();
    const auto reply = lifetimeGuard(startRequest(address, "GET", {}, {}, true));
    if (!reply)
        co_return {};
    const auto self = lifetimeGuard(this);
    co_await waitWhileExecuting(-1ms);
    if (!self || !reply || reply != m_reply || m_responseCode != 0)
        co_return {};
    if (m_statusCode < 200 || m_statusCode > 299)
        co_return {};
    co_return reply->readAll();
}
