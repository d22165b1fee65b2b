#pragma once

#include "core/download/engines/ProgressFloor.h"
#include "core/util/ClockTimer.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <limits>
#include <memory>

class BodyFile;
class QNetworkAccessManager;
class QNetworkReply;

// One concurrent transfer: reads an address asynchronously into a file and reports progress, completion and
// failure as signals on the thread that owns it.
//
// The body never sits in memory: it streams into a body file beside the save path (BodyFile) and takes the save
// path's name only when the read completes, whole. A body an earlier transfer of the address left there is
// completed with a range request when the server still has the same copy; the figures reported count the whole
// body, the kept bytes included. While the read runs the save path is reserved in memory rather
// than marked by a stand-in file on disk, which a killed run would leave behind to be taken for the document later.
class Downloader final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Downloader)

public:
    // How often the stall check holds the bytes received against the progress floor.
    static constexpr std::chrono::milliseconds kStallCheckInterval{1000};

    // `network` carries the reads (shared by the instances of one window so connections are reused); it must
    // outlive the instance.
    explicit Downloader(QNetworkAccessManager *network, QObject *parent = nullptr);
    ~Downloader() override;

    // The most bytes a body may have; one that goes past it is dropped with DownloadTooBig. None by default.
    void setSizeLimit(qint64 bytes) { m_sizeLimit = bytes; }
    void BeginDownload(const QString &address, const QString &savePath);
    // Cancels the read; no signal follows. Always false.
    bool CancelAsyncRead();

    QString savePath() const { return m_savePath; }
    // The address as read, after the "&amp;" clean-up.
    QString address() const { return m_address; }
    // The address as the list row holds it, before the clean-up: how the row is found again once the body is written.
    QString listAddress() const { return m_listAddress; }
    qint64 totalBytes() const { return m_totalBytes; }
    qint64 bytesRead() const { return m_bytesRead; }
    // True from BeginDownload until a signal that ends the transfer was raised or the read was cancelled.
    bool isRunning() const { return m_running; }

    // "&amp;" (any letter case) becomes "&", then spaces are trimmed from both ends.
    static QString CleanAddress(const QString &address);

Q_SIGNALS:
    void DownloadProgress(qint64 bytesRead, qint64 totalBytes, const QString &savePath);
    // The body is whole and on its way to the disk: nothing more comes from the network, and DownloadComplete (or
    // DownloadError with the disk's reason) follows once it is written and holds its name. The connection is free
    // for the next transfer meanwhile.
    void DownloadWriting(qint64 bytesRead, qint64 totalBytes, const QString &savePath);
    void DownloadComplete(qint64 bytesRead, qint64 totalBytes, const QString &savePath);
    // "超时" when the body fell below the progress floor, the network's reason when a body without a length broke off
    // (NetworkFailureText), "无法下载" when the answer brought no body or failed otherwise, the disk's
    // reason when the body could not be written (WriteFailureText), DownloadTexts::kHttpError for an error answer (the
    // server still refusing (429, 503) after the last retry included), NetTexts::kNotWebAddress for an address other
    // than http or https (nothing is read nor written then).
    void DownloadError(const QString &message, const QString &savePath);
    // The body went past the size limit, or announced it would (`totalBytes`, 0 when unknown): the transfer has
    // ended and nothing of it was kept.
    void DownloadTooBig(qint64 bytesRead, qint64 totalBytes, const QString &savePath);
    // The server answered 429 or 503: the read starts again after `delay`, retry `retry` of this transfer.
    void RetryWaiting(std::chrono::milliseconds delay, int retry);

private:
    void startRead();
    // The answer's status and headers are in: a resumed body is appended to, started over or asked for anew.
    void onAnswer();
    // The server sent a piece other than the one asked for: the whole body is asked for again.
    void askForWholeBody();
    // True when the answer is a refusal that is asked again later (the wait has begun).
    bool retryLater();
    void onReadyRead();
    void onProgress(qint64 received, qint64 total);
    qint64 announcedTotal() const;
    void onFinished();
    // False (and the transfer over) when the body has gone past the size limit.
    bool withinSizeLimit();
    // An error answer ends the transfer; true when it did.
    bool failOnErrorStatus(int status);
    void onStallCheck();
    void fail(const QString &message);
    void failLater(const QString &message);
    void finishWithTemp(qint64 bytesRead, qint64 totalBytes);
    // The whole body waits to be on the disk, takes its name, and the transfer completes.
    QCoro::Task<> commitThenComplete(qint64 bytesRead, qint64 totalBytes);
    void complete(qint64 bytesRead, qint64 totalBytes);

    bool openTemp();
    void discardTemp();
    // The transfer broke off: what arrived waits for a later transfer of the address to complete it.
    void setAsideTemp();

    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_reply;
    // Lives exactly as long as one transfer: a queued failure holds a guard of it (LifetimeGuard.h) and is dropped
    // once its transfer is over.
    std::unique_ptr<QObject> m_transfer;
    ClockTimer m_stallTimer;
    ClockTimer m_retryTimer;
    std::unique_ptr<BodyFile> m_temp;

    QString m_savePath;
    QString m_address;
    QString m_listAddress;
    ProgressFloor m_floor;
    qint64 m_sizeLimit = std::numeric_limits<qint64>::max();
    qint64 m_totalBytes = 0;
    qint64 m_bytesRead = 0;
    qint64 m_received = 0; // bytes of the body on disk, those kept from an earlier transfer included
    qint64 m_offset = 0;   // bytes kept from an earlier transfer that this answer completes
    int m_retries = 0;
    bool m_running = false;
    bool m_writeFailed = false;
    bool m_mayResume = true; // false once the server sent a piece other than the one asked for
    bool m_answered = false; // the current answer's status has been judged
    int m_fileError = 0;     // why the body file last failed (errno)
};
