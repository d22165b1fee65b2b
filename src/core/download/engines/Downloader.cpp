#include "core/download/engines/Downloader.h"

#include "core/download/BodyFile.h"
#include "core/download/DownloadTexts.h"
#include "core/download/ResumePoint.h"
#include "core/download/engines/FailureReason.h"
#include "core/net/HttpRequest.h"
#include "core/net/LifetimeGuard.h"
#include "core/net/NetTexts.h"
#include "core/net/NetworkFailure.h"
#include "core/net/RetryRule.h"
#include "core/util/Clock.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>

namespace {
// Bounds what the network layer buffers ahead of the disk; the body itself goes straight to the file.
constexpr qint64 kReadBufferBytes = 512 * 1024;
} // namespace

Downloader::Downloader(QNetworkAccessManager *network, QObject *parent) : QObject(parent), m_network(network)
{
    m_stallTimer.setInterval(kStallCheckInterval);
    connect(&m_stallTimer, &ClockTimer::timeout, this, &Downloader::onStallCheck);
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &ClockTimer::timeout, this, &Downloader::startRead);
}

Downloader::~Downloader()
{
    CancelAsyncRead();
}

QString Downloader::CleanAddress(const QString &address)
{
    QString cleaned = address;
    cleaned.replace(QStringLiteral("&amp;"), QStringLiteral("&"), Qt::CaseInsensitive);
    // Only spaces are trimmed, as the address may legitimately end in other characters.
    qsizetype from = 0;
    qsizetype to = cleaned.size();
    while (from < to && cleaned.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && cleaned.at(to - 1) == QLatin1Char(' '))
        --to;
    return cleaned.mid(from, to - from);
}

void Downloader::BeginDownload(const QString &address, const QString &savePath)
{
    CancelAsyncRead();
    m_savePath = savePath;
    m_totalBytes = m_bytesRead = m_received = m_offset = 0;
    m_retries = 0;
    m_mayResume = true;
    m_writeFailed = false;
    m_fileError = 0;
    m_running = true;
    m_transfer = std::make_unique<QObject>();
    m_listAddress = address;
    m_address = CleanAddress(address);

    // Checked before anything is written: a file: or data: link would otherwise be read into the save folder.
    if (!IsWebAddress(m_address)) {
        failLater(NetTexts::kNotWebAddress);
        return;
    }

    startRead();
}

void Downloader::startRead()
{
    m_bytesRead = m_totalBytes = m_offset = 0;
    m_answered = false;
    m_floor.restart(Clock::monotonicMs());
    m_stallTimer.start();

    if (!openTemp()) {
        failLater(WriteFailureText(m_fileError));
        return;
    }

    QNetworkRequest request = NewHttpRequest(QUrl(m_address));
    // What an earlier transfer left is completed, as long as the server's copy is still the one it came from.
    if (const std::optional<ResumePoint> point = m_temp->resumePoint()) {
        request.setRawHeader("Range", point->rangeHeader());
        request.setRawHeader("If-Range", point->validators.ifRange());
    }
    m_reply = m_network->get(request);
    m_reply->setReadBufferSize(kReadBufferBytes);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &Downloader::onAnswer);
    connect(m_reply, &QNetworkReply::readyRead, this, &Downloader::onReadyRead);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &Downloader::onProgress);
    connect(m_reply, &QNetworkReply::finished, this, &Downloader::onFinished);
}

bool Downloader::CancelAsyncRead()
{
    m_stallTimer.stop();
    m_retryTimer.stop();
    EndReply(m_reply, this);
    m_transfer.reset();
    if (m_running) {
        m_running = false;
        discardTemp();
    }
    return false;
}

void Downloader::onAnswer()
{
    if (!m_reply || m_answered)
        return;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // A redirect the network layer follows by itself is not the answer yet.
    if (!status.isValid() ||
        (status.toInt() >= 300 && status.toInt() < 400 && m_reply->hasRawHeader("Location") && !m_reply->isFinished()))
        return;
    m_answered = true;
    if (const std::optional<ResumePoint> point = m_temp ? m_temp->resumePoint() : std::nullopt) {
        const BodyValidators answer =
            BodyValidators::FromAnswer(m_reply->rawHeader("ETag"), m_reply->rawHeader("Last-Modified"));
        switch (JudgeResumeAnswer(*point, status.toInt(), m_reply->rawHeader("Content-Range"), answer)) {
        case ResumeAnswer::Append:
            m_offset = m_received = point->offset;
            m_floor.restart(Clock::monotonicMs(), m_received);
            return;
        case ResumeAnswer::AskAgain:
            askForWholeBody();
            return;
        case ResumeAnswer::StartOver:
            if (!m_temp->startOver()) {
                fail(DownloadTexts::kCannotDownload);
                return;
            }
            break;
        case ResumeAnswer::NotJudged:
            return;
        }
    }
    if (status.toInt() == 200 && m_temp)
        m_temp->recordSource(
            m_address, BodyValidators::FromAnswer(m_reply->rawHeader("ETag"), m_reply->rawHeader("Last-Modified")),
            announcedTotal());
}

void Downloader::askForWholeBody()
{
    EndReply(m_reply, this);
    m_mayResume = false;
    startRead();
}

void Downloader::onReadyRead()
{
    if (!m_reply)
        return;
    if (!m_answered)
        onAnswer();
    if (!m_reply)
        return;
    // A body announced over the limit is not read at all.
    if (!withinSizeLimit())
        return;
    for (;;) {
        // All that is in at once: the network layer hands over the piece it holds without copying it when that is
        // all there is (the read buffer bounds it), where a fixed-size read would copy every byte once more.
        const QByteArray piece = m_reply->read(m_reply->bytesAvailable());
        if (piece.isEmpty())
            return;
        if (!m_writeFailed && !m_temp->write(piece)) {
            m_writeFailed = true; // a full disk: the body cannot be trusted any more
            m_fileError = m_temp->systemError();
        }
        m_received += piece.size();
        if (!withinSizeLimit())
            return;
    }
}

bool Downloader::withinSizeLimit()
{
    const qint64 total = announcedTotal();
    if (m_received <= m_sizeLimit && total <= m_sizeLimit)
        return true;
    const qint64 received = m_received;
    const QString path = m_savePath;
    CancelAsyncRead();
    Q_EMIT DownloadTooBig(received, total, path);
    return false;
}

bool Downloader::failOnErrorStatus(int status)
{
    if (status < 400)
        return false;
    fail(DownloadTexts::kHttpError.arg(status));
    return true;
}

qint64 Downloader::announcedTotal() const
{
    if (!m_reply)
        return 0;
    // The length of the whole body: an answer that completes a resumed one announces only the rest.
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    return length.isValid() ? m_offset + std::max<qint64>(0, length.toLongLong()) : 0;
}

void Downloader::onProgress(qint64 received, qint64 total)
{
    // A report without a known total is no progress at all: it neither feeds the stall check nor the window.
    // (The network layer reports the received count as the total once a body of unknown length has ended;
    // that is not an announced total either.)
    if (total < 1 || announcedTotal() < 1)
        return;
    m_totalBytes = m_offset + total;
    m_bytesRead = m_offset + received;
    Q_EMIT DownloadProgress(m_bytesRead, m_totalBytes, m_savePath);
}

void Downloader::onFinished()
{
    if (!m_reply)
        return;
    onReadyRead();
    if (!m_reply || retryLater())
        return;
    // An error page is never the document, however complete.
    if (failOnErrorStatus(m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt()))
        return;
    // The total the server announced; a body of unknown length has none.
    const qint64 total = announcedTotal();
    const qint64 read = m_received;
    const QNetworkReply::NetworkError error = m_reply->error();
    EndReply(m_reply, this);

    if (m_writeFailed) {
        fail(WriteFailureText(m_fileError));
        return;
    }
    // A body with a length is judged by it: short of it, it is reported as it is and kept aside.
    if (total >= 1) {
        m_totalBytes = total;
        m_bytesRead = read;
        finishWithTemp(read, total);
        return;
    }
    // Without a length only the answer's own end says the body is whole; its one answer is all there is, as a link
    // may serve its file only once.
    if (error != QNetworkReply::NoError) {
        const NetworkFailure failure = NetworkFailureOf(error);
        fail(IsTransportError(error) ? NetworkFailureText(failure.number, failure.atProxy)
                                     : DownloadTexts::kCannotDownload);
        return;
    }
    if (read < 1) {
        fail(DownloadTexts::kCannotDownload);
        return;
    }
    m_totalBytes = m_bytesRead = read;
    finishWithTemp(read, read);
}

bool Downloader::retryLater()
{
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!RetryRule::IsRetryStatus(status))
        return false;
    const auto delay = RetryRule::NextRetryDelay(status, QString::fromLatin1(m_reply->rawHeader("Retry-After")),
                                                 m_retries, Clock::now());
    EndReply(m_reply, this);
    // The body stays as it was, and the claim on the name with it: the next try takes it up where it can.
    // A refusal is never the document, not even after the last retry.
    if (!delay) {
        failOnErrorStatus(status);
        return true;
    }
    // Nothing arrives while the server is waited for: the stall check rests until the next read begins.
    m_stallTimer.stop();
    ++m_retries;
    m_retryTimer.start(*delay);
    Q_EMIT RetryWaiting(*delay, m_retries);
    return true;
}

void Downloader::finishWithTemp(qint64 bytesRead, qint64 totalBytes)
{
    // Short of what the server announced: reported as it is, but it is not the document and never takes its name.
    // What arrived is kept aside for a later transfer to complete.
    if (bytesRead < totalBytes) {
        setAsideTemp();
        complete(bytesRead, totalBytes);
        return;
    }
    commitThenComplete(bytesRead, totalBytes);
}

QCoro::Task<> Downloader::commitThenComplete(qint64 bytesRead, qint64 totalBytes)
{
    // Nothing arrives while the disk catches up, so the stall check rests. The body leaves the member for the
    // wait: a cancel meanwhile ends the transfer, and the body goes with this frame, never from under the wait.
    m_stallTimer.stop();
    const auto transfer = lifetimeGuard(m_transfer.get());
    std::unique_ptr<BodyFile> body = std::move(m_temp);
    Q_EMIT DownloadWriting(bytesRead, totalBytes, m_savePath);
    if (!transfer)
        co_return;
    const bool synced = body && co_await body->sync();
    if (!transfer)
        co_return;
    if (!synced || !body->commit()) {
        m_fileError = body ? body->systemError() : 0;
        fail(WriteFailureText(m_fileError));
        co_return;
    }
    complete(bytesRead, totalBytes);
}

void Downloader::complete(qint64 bytesRead, qint64 totalBytes)
{
    m_stallTimer.stop();
    m_running = false;
    Q_EMIT DownloadComplete(bytesRead, totalBytes, m_savePath);
}

void Downloader::onStallCheck()
{
    // Counted in bytes that arrived: a body without a length moves the floor as much as one with.
    if (m_running && !m_floor.holds(Clock::monotonicMs(), m_received)) {
        setAsideTemp();
        fail(DownloadTexts::kTimedOut);
    }
}

void Downloader::failLater(const QString &message)
{
    // Never inside BeginDownload itself: the caller is still setting the slot up.
    QMetaObject::invokeMethod(
        this,
        [this, message, transfer = lifetimeGuard(m_transfer.get())] {
            if (m_running && transfer)
                fail(message);
        },
        Qt::QueuedConnection);
}

void Downloader::fail(const QString &message)
{
    const QString path = m_savePath;
    CancelAsyncRead();
    Q_EMIT DownloadError(message, path);
}

bool Downloader::openTemp()
{
    m_received = 0;
    // A body held open already (a retry after a refusal) is looked at again rather than dropped.
    if (!m_temp)
        m_temp = std::make_unique<BodyFile>(m_savePath);
    if (m_mayResume ? m_temp->openToResume(m_address) : m_temp->open())
        return true;
    m_fileError = m_temp->systemError();
    m_temp.reset();
    return false;
}

void Downloader::discardTemp()
{
    m_temp.reset();
}

void Downloader::setAsideTemp()
{
    if (m_temp)
        m_temp->setAside();
    m_temp.reset();
}
