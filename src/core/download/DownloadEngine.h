#pragma once

#include <QString>
#include <chrono>

class DownloadListModel;
struct DownloadSettings;

// What a download engine sees of the download window: the list, the shared run state and the window's options.
// The scheduler implements it; engine tests may use the scheduler itself or a fake.
//
// Rows are 0-based rows of the list (DownloadListModel). Slots are numbered 1 to 6 as in the window's control
// array; engine 1 uses slot 1.
class DownloadContext
{
public:
    virtual ~DownloadContext() = default;

    virtual DownloadListModel &list() = 0;

    // Set while engine 1 transfers or an engine-2 slot is loaded; the stop command clears it, and a running
    // engine-1 transfer that finds it cleared ends as "下载取消".
    virtual bool busyFlag() const = 0;
    virtual void setBusyFlag(bool busy) = 0;

    // The row served by slot k (1..6); -1 when the slot never served one. Handlers of engine 2 find their row
    // only through it, so the list is never reordered or shortened while a slot runs.
    virtual int slotRow(int slot) const = 0;
    virtual void setSlotRow(int slot, int row) = 0;

    // lastTransferEnd = now: every transfer that ends, fails or is abandoned calls it; the pause between two
    // downloads runs from the latest call.
    virtual void markTransferEnd() = 0;
    // A body that freed its slot at the transfer's end (markTransferEnd) has now been written out, and its row is
    // settled.
    virtual void markFileWritten() {}

    // Proxy and size limit (program-wide, see DownloadSettings::program()).
    virtual const DownloadSettings &settings() const = 0;
    // The selected same-name option's caption: "跳过", "覆盖" or "重命名".
    virtual QString sameNameChoice() const = 0;
    // Check6: sounds 101 and 103 are played only when it is checked.
    virtual bool soundEnabled() const = 0;
    // The check mark of menu自动定位到下载项: a started row is scrolled into view.
    virtual bool autoLocate() const = 0;
    // Check2 of the login panel: after a downloaded web page the site login runs without messages.
    virtual bool autoLoginChecked() const = 0;

    virtual void scrollToRow(int row) = 0;
    // Status-bar panels: 2 = "正在下载:"/"完成下载:" + name, 3 = the transfer control's state text.
    virtual void setStatusText(int panel, const QString &text) = 0;
    // PlaySoundNumber: 101 a web page was downloaded, 103 a download failed (102 belongs to the scheduler).
    virtual void playSound(int number) = 0;
    // The site login without messages (after a web page was downloaded while Check2 is checked).
    virtual void runAutoLogin() = 0;
    // The server turned the row's transfer away (429 or 503); it is tried again after `delay`, retry `retry`.
    virtual void noteRetry(int /*row*/, std::chrono::milliseconds /*delay*/, int /*retry*/) {}
};

// The scheduler owns the engines it is given (std::unique_ptr): build them without a QObject parent.

// Engine 1: one transfer at a time, through the transfer control, optionally through the proxy.
// Implementations are QObjects built as `Engine(DownloadContext &context, QObject *parent)`.
class SingleTransferEngine
{
public:
    virtual ~SingleTransferEngine() = default;

    // Inet下载当前文件: the scheduler has marked the row Downloading, emptied its progress columns and set
    // slotRow(1). When the control still executes or busyFlag is set, the row goes back to Waiting with size
    // "等待重新下载"; otherwise the engine sets busyFlag, transfers, and clears busyFlag at the end. Returns at
    // once; the transfer runs on as a coroutine and the scheduler's next ticks see busyFlag.
    virtual void Inet下载当前文件(int row) = 0;
    // The control is executing (StillExecuting): true from the request until the transfer has ended. The
    // supervision tick clears busyFlag when this is false and the scheduler is stopped, and the window asks
    // before closing while it is true.
    virtual bool stillExecuting() const = 0;
    // Cancels the current request (the control's Cancel).
    virtual void cancelRequest() = 0;
};

// Engine 2: up to six concurrent transfers, one per slot 1..6.
// Implementations are QObjects built as `Engine(DownloadContext &context, QObject *parent)`.
class ConcurrentTransferEngine
{
public:
    virtual ~ConcurrentTransferEngine() = default;

    // 多线程下载: loads slot k for the row and begins the transfer of `address` into `targetPath` (the name
    // was already settled by 重命名保存路径). Sets busyFlag.
    virtual void 多线程下载(int slot, int row, const QString &address, const QString &targetPath) = 0;
    // Downloader1(k) exists: the slot carries a transfer.
    virtual bool slotLoaded(int slot) const = 0;
    // Unloads slot k: its transfer ends without any event (the stop command).
    virtual void unloadSlot(int slot) = 0;
    // Bodies that arrived whole are still being written to the disk (their slots are free already); their rows
    // stay Downloading until then, and the stop command leaves them to finish.
    virtual bool writesPending() const { return false; }
    virtual bool isWriting(int /*row*/) const { return false; }
};

// Slots of engine 2 and the size of slotRow.
inline constexpr int kMaxSlots = 6;
inline constexpr int kSlotRowSize = 12;
