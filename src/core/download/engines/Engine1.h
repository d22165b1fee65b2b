#pragma once

#include "core/download/DownloadEngine.h"
#include "core/download/DownloadItem.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

#include <qcoro/qcorotask.h>

class TransferControl;

// Engine 1: one row at a time through the transfer control, optionally through the configured proxy. It reads the
// response headers before it writes anything: only a "200 OK" answer is taken, files over the size limit are
// skipped, the type comes from the content type and the same-name rule is applied before the file is created.
// The body then streams to disk in small chunks while the row's columns follow.
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
    // Longest time the file may go without growing.
    static constexpr std::chrono::milliseconds kStallLimit{300'000};
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
    QCoro::Task<void> run(int row);
    // Steps 1 to 20: connection, request, headers, target file, body, type correction.
    QCoro::Task<bool> transfer();
    QCoro::Task<bool> FetchWholeBody(const QString &targetPath);
    // The row being transferred, found again by its address should the list have moved under it; -1 when gone.
    int currentRow();
    bool abandoned() const { return m_shuttingDown; }
    void setState(ItemState state);

    DownloadContext &m_context;
    std::unique_ptr<TransferControl> m_inet;
    QString m_address;
    int m_row = -1;
    bool m_transferRunning = false;
    bool m_cancelRequested = false;
    bool m_shuttingDown = false;
};
