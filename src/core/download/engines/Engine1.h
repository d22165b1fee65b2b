#pragma once

#include "core/download/DownloadEngine.h"
#include "core/download/DownloadItem.h"
#include "core/download/ResumePoint.h"
#include "core/download/engines/ProgressFloor.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

#include <qcoro/qcorotask.h>

class BodyFile;
class TransferControl;

// Engine 1: one row at a time through the transfer control, optionally through the configured proxy. It reads the
// response headers before it writes anything: only a "200 OK" answer is taken, the type comes from the content
// type, the same-name rule names the file, files over the size limit are skipped, and only then is an existing
// file of that name replaced.
// The body then streams to disk in small chunks while the row's columns follow.
//
// A body an earlier transfer of the address left for the row's file is completed with a range request when the
// server still has the same copy; otherwise it starts over. The columns and the size limit count the whole body.
//
// The transfer is a coroutine: the scheduler's tick returns at once, the window stays live, and busyFlag keeps a
// second transfer from starting until this one has ended.
class Engine1 final : public QObject, public SingleTransferEngine
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Engine1)

public:
    // Longest wait for the response headers.
    static constexpr std::chrono::milliseconds kRequestLimit{60'000};
    static constexpr qint64 kChunkSize = 2048;

    explicit Engine1(DownloadContext &context, QObject *parent = nullptr);
    ~Engine1() override;

    void Inet下载当前文件(int row) override;
    bool stillExecuting() const override { return m_transferRunning; }
    void cancelRequest() override;

    // The transfer of one row, steps to the end; true when the row is settled as done. The caller owns busyFlag
    // around it (Inet下载当前文件 does).
    QCoro::Task<bool> Inet下载文件(int row);

    // The transfer control (Inet1) with the settings of the last transfer.
    const TransferControl &control() const { return *m_inet; }

Q_SIGNALS:
    // A transfer begun by Inet下载当前文件 has ended and busyFlag is cleared.
    void transferEnded(int row, bool result);

private:
    // How a step of the transfer ended.
    enum class Step {
        Next,          // go on with the next step
        Succeeded,     // the row is settled as done
        Failed,        // the row fails
        Cancelled,     // the stop command or the window's close ended the body
        FailedAsShown, // the row fails and the step has already written the reason into it
        Gone,          // the engine or the row went away meanwhile: nothing more is touched
        AskAgain,      // the answer cannot complete the body kept: the whole body is asked for anew
    };
    // What the steps of one transfer hand on to each other.
    struct Plan {
        ProgressFloor floor; // the least the body has to grow, from the answer on
        double size = 0;     // the announced length; 0 when none, negative for a body of unknown length
        QString header;      // the request's own headers (the referrer)
        QString target;      // the file the body goes to
        // What an earlier transfer left for `resumeTarget`, asked to be completed; appended to when the answer
        // completes it.
        std::optional<ResumePoint> resume;
        QString resumeTarget;
        bool appending = false;
        // The body on its way to the target; holds the target's name from the moment it is chosen.
        std::unique_ptr<BodyFile> body;
    };

    QCoro::Task<void> run(int row);
    // Steps 1 to 20: connection, request, headers, target file, body, type correction.
    QCoro::Task<bool> transfer();
    QCoro::Task<Step> requestAnswer(Plan &plan); // 1-9
    // 6-7: the request sent and its answer awaited, asked again while the server answers 429 or 503.
    QCoro::Task<Step> sendRequest(const QString &header);
    // The wait before asking again; Next when it has passed, Cancelled when the stop command came first.
    QCoro::Task<Step> backOff(std::chrono::milliseconds delay);
    Step takeAnnouncedSize(Plan &plan); // 10-11
    // The size limit reached: nothing is saved, the row is settled as a skipped big file.
    Step skipTooBig();
    Step prepareTarget(Plan &plan);   // 12-16
    Step replaceExisting(Plan &plan); // 17
    // The file the row's body goes to, by the same-name option; `shownName` gets the row's name for it.
    QString targetPath(const QString &folder, const DownloadItem &item, QString *shownName) const;
    // The body file opened: fresh, or holding the bytes the answer completes.
    Step openBody(Plan &plan);
    QCoro::Task<Step> receiveBody(Plan &plan);    // 19-20
    QCoro::Task<Step> FetchWholeBody(Plan &plan); // 18, 20
    // The body into its file until it is whole (Next); any other end has settled the row as it says.
    QCoro::Task<Step> streamBody(Plan &plan);
    void showProgress(qint64 length, double size);
    // The body could not be written: the row fails with the disk's reason.
    Step failWriting(const BodyFile &file);
    // The one way out of a transfer that did not succeed.
    void failTransfer(Step reason);
    // The file's type from its first bytes, and the base tag of a saved page.
    void finishFile();
    // The row being transferred, found again by its address should the list have moved under it; -1 when gone.
    int currentRow();
    void setState(ItemState state);

    DownloadContext &m_context;
    std::unique_ptr<TransferControl> m_inet;
    QString m_address;
    int m_row = -1;
    bool m_transferRunning = false;
    bool m_cancelRequested = false;
};
