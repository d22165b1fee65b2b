#include "core/net/XmlHttpRequest.h"

#include "core/net/AnswerStatus.h"
#include "core/net/HttpStatusDescription.h"
#include "core/net/NetworkAccess.h"
#include "core/net/ResponseFile.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>
#include <utility>

namespace {

// A method or header name: the characters HTTP allows in a token, nothing that could end the request line or
// the header block early.
bool isToken(const QByteArray &text)
{
    static const QByteArray kSymbols("!#$%&'*+-.^_`|~");
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum && !kSymbols.contains(c))
            return false;
    }
    return true;
}

bool isHttpAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https");
}

// The charset parameter of a Content-Type value, without quotes; empty when there is none.
QByteArray charsetParameter(const QByteArray &contentType)
{
    const QList<QByteArray> pieces = contentType.split(';');
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QByteArray piece = pieces.at(i).trimmed();
        const auto equals = piece.indexOf('=');
        if (equals > 0 && piece.left(equals).trimmed().compare("charset", Qt::CaseInsensitive) == 0) {
            QByteArray value = piece.mid(equals + 1).trimmed();
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.mid(1, value.size() - 2);
            return value;
        }
    }
    return {};
}

} // namespace

XmlHttpRequest::XmlHttpRequest(QObject *parent) : XmlHttpRequest(nullptr, parent) {}

XmlHttpRequest::XmlHttpRequest(QNetworkAccessManager *manager, QObject *parent)
    : QObject(parent), m_manager(manager), m_tmrReader(new QTimer(this))
{
    m_tmrReader->setObjectName(QStringLiteral("tmrReader"));
    m_tmrReader->setInterval(kPollInterval);
    connect(m_tmrReader, &QTimer::timeout, this, &XmlHttpRequest::tmrReader_Timer);
}

XmlHttpRequest::~XmlHttpRequest()
{
    m_tmrReader->stop();
    dropReply();
}

QNetworkAccessManager *XmlHttpRequest::manager()
{
    if (!m_manager)
        m_manager = NewNetworkAccess(this);
    return m_manager;
}

void XmlHttpRequest::Open_(const QString &method, const QString &address, const QString &saveFile)
{
    m_tmrReader->stop();
    dropReply();
    resetResponse();
    m_method = method.trimmed().toUpper().toLatin1();
    m_address = address.trimmed();
    m_saveFile = saveFile;
    m_requestHeaders.clear();
    m_downOk = false;
    m_pollAfterSend = true;
    m_readyState = Loading;
}

void XmlHttpRequest::SetRequestHeader(const QString &name, const QString &value)
{
    const QByteArray headerName = name.trimmed().toLatin1();
    const QByteArray headerValue = value.trimmed().toUtf8();
    if (!m_pollAfterSend || !isToken(headerName) || headerValue.contains('\r') || headerValue.contains('\n') ||
        headerValue.contains('\0'))
        return;
    m_requestHeaders.append({headerName, headerValue});
}

void XmlHttpRequest::Send_(const QString &body)
{
    if (!m_pollAfterSend)
        return;
    m_pollAfterSend = false;
    const QUrl url(m_address, QUrl::TolerantMode);
    if (!isToken(m_method))
        endWithoutResponse(QStringLiteral("Not a request method: \"%1\"").arg(QString::fromLatin1(m_method)));
    else if (!isHttpAddress(url))
        endWithoutResponse(QStringLiteral("Not an http or https address: \"%1\"").arg(m_address));
    else
        startReply(url, body);
    m_tmrReader->start();
}

void XmlHttpRequest::Abort_()
{
    m_tmrReader->stop();
    m_pollAfterSend = false;
    dropReply();
    resetResponse();
}

void XmlHttpRequest::startReply(const QUrl &url, const QString &body)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    // HTTP/1.1, as the transfer control speaks it: one protocol for every request the program sends.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // The browser's user agent unless the host names one: the same visitor as the page fetches.
    request.setRawHeader("User-Agent", ProgramUserAgent());
    const bool bodyless = m_method == "GET" || m_method == "HEAD";
    const QByteArray data = bodyless ? QByteArray() : body.toUtf8();
    if (!data.isEmpty())
        request.setRawHeader("Content-Type", "text/plain;charset=UTF-8");
    for (const auto &[name, value] : std::as_const(m_requestHeaders))
        request.setRawHeader(name, value);

    QNetworkReply *reply = nullptr;
    if (m_method == "GET")
        reply = manager()->get(request);
    else if (m_method == "HEAD")
        reply = manager()->head(request);
    else if (m_method == "POST")
        reply = manager()->post(request, data);
    else
        reply = manager()->sendCustomRequest(request, m_method, data);
    m_reply = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, &XmlHttpRequest::onMetaData);
    connect(reply, &QNetworkReply::readyRead, this, &XmlHttpRequest::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &XmlHttpRequest::onFinished);
}

void XmlHttpRequest::onMetaData()
{
    if (!m_reply || m_headersIn)
        return;
    const std::optional<int> status = AnswerStatus(*m_reply);
    if (!status)
        return;
    m_status = *status;
    m_statusText = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    m_responseHeaders = m_reply->rawHeaderPairs();
    m_headersIn = true;
    m_readyState = Loaded;
}

void XmlHttpRequest::onReadyRead()
{
    if (!m_reply)
        return;
    onMetaData();
    m_body += m_reply->readAll();
    if (m_headersIn && !m_body.isEmpty())
        m_readyState = Interactive;
}

void XmlHttpRequest::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    onMetaData();
    m_body += reply->readAll();
    // The body is read as it arrives, so Qt sees a connection closed in mid-body and reports it here.
    if (reply->error() != QNetworkReply::NoError)
        m_error = reply->errorString();
    else if (!m_headersIn)
        m_error = QStringLiteral("No response");
    m_readyState = Completed;
    dropReply();
}

void XmlHttpRequest::endWithoutResponse(const QString &reason)
{
    m_error = reason;
    m_readyState = Completed;
}

void XmlHttpRequest::tmrReader_Timer()
{
    const QPointer<XmlHttpRequest> self(this);
    Q_EMIT OnReadyStateChange();
    // The host may have aborted, reopened or released the instance from inside the event.
    if (!self || !m_tmrReader->isActive() || m_readyState != Completed)
        return;
    m_tmrReader->stop();
    m_downOk = true;
    raiseEndEvent();
}

void XmlHttpRequest::raiseEndEvent()
{
    if (m_status == 200 && m_error.isEmpty()) {
        if (m_saveFile.isEmpty() || m_body.isEmpty() || WriteResponseFile(m_saveFile, m_body, &m_error)) {
            Q_EMIT OnDateArrived();
            return;
        }
    }
    // A 200 whose body was cut short or could not be saved is a failure, but "交易成功" would say otherwise;
    // like a request that got no answer at all, it carries the empty description.
    if (m_status == 200 || !m_headersIn) {
        Q_EMIT OnDateErr(QString());
        return;
    }
    if (m_status <= kHighestDescribedStatus)
        Q_EMIT OnDateErr(HttpStatusDescription(m_status));
}

void XmlHttpRequest::resetResponse()
{
    m_readyState = Uninitialized;
    m_headersIn = false;
    m_status = 0;
    m_statusText.clear();
    m_responseHeaders.clear();
    m_body.clear();
    m_error.clear();
}

void XmlHttpRequest::dropReply()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    reply->disconnect(this);
    if (!reply->isFinished())
        reply->abort();
    reply->deleteLater();
}

QString XmlHttpRequest::GetResponseHeader(const QString &name) const
{
    const QByteArray key = name.trimmed().toLatin1();
    for (const auto &[headerName, value] : m_responseHeaders)
        if (headerName.compare(key, Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(value).replace(u'\n', QStringLiteral(", "));
    return {};
}

QString XmlHttpRequest::GetAllResponseHeaders() const
{
    QString text;
    for (const auto &[name, value] : m_responseHeaders) {
        // Qt joins repeated headers such as Set-Cookie with line breaks; each keeps its own line here.
        for (const QByteArray &line : value.split('\n'))
            text +=
                QString::fromLatin1(name) + QStringLiteral(": ") + QString::fromLatin1(line) + QStringLiteral("\r\n");
    }
    return text;
}

QString XmlHttpRequest::ResponseText() const
{
    const QByteArray charset = charsetParameter(GetResponseHeader(QStringLiteral("Content-Type")).toLatin1());
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(m_body);
    }
    if (const auto bom = QStringConverter::encodingForData(m_body)) {
        QStringDecoder decoder(*bom);
        return decoder.decode(m_body);
    }
    return QString::fromUtf8(m_body);
}
