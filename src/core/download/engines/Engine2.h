#pragma once

#include "core/download/DownloadEngine.h"

#include <QList>
#include <QObject>
#include <QString>
#include <array>

class Downloader;
class QNetworkAccessManager;

// Engine 2: up to six concurrent transfers, one Downloader per loaded slot (1..6), and the download window's
// handlers for their progress, completion and error signals. A slot exists exactly while its transfer runs.
//
// Unlike engine 1 it never looks at response headers: the row keeps its queued type until the file's first bytes
// say otherwise (CorrectItemFileType). Only the status is looked at: a refusal (429, 503) is asked again later, and
// an error answer fails its row with the status; neither is ever saved.
//
// A body that is whole frees its slot at once: while it is written out and synced (DiskSync) the next transfer runs,
// and its row stays Downloading with "正在写入" until the file holds its name.
class Engine2 final : public QObject, public ConcurrentTransferEngine
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Engine2)

public:
    explicit Engine2(DownloadContext &context, QObject *parent = nullptr);
    ~Engine2() override;

    void 多线程下载(int slot, int row, const QString &address, const QString &targetPath) override;
    bool slotLoaded(int slot) const override;
    void unloadSlot(int slot) override;
    bool writesPending() const override { return !m_writing.isEmpty(); }
    bool isWriting(int row) const override;

    // Downloader1(k), or null when the slot is free (k outside 1..6 included).
    Downloader *downloader(int slot) const;

    // The window's handlers of the control array; slot 0 (the design-time instance) and free slots change nothing.
    void onDownloadProgress(int slot, qint64 bytesRead, qint64 totalBytes);
    void onDownloadComplete(int slot, qint64 bytesRead, qint64 totalBytes);
    void onDownloadError(int slot, const QString &message);
    // The body went past the size limit, or announced it would.
    void onDownloadTooBig(int slot, qint64 bytesRead, qint64 totalBytes);

private:
    QNetworkAccessManager *networkOf(int slot);
    // The row the slot serves, or -1 when there is none.
    int rowOfSlot(int slot) const;
    // Size, downloaded and percent from a report whose total is known and not below the bytes read.
    bool showProgress(int row, qint64 bytesRead, qint64 totalBytes);
    // The row is settled as a big file skipped, and the slot's transfer ends with nothing kept.
    void skipTooBig(int slot, int row);
    // The slot's instance goes away; its transfer ends without further signals.
    void destroySlot(int slot);
    // The slot's body is whole: the slot is free, and the instance finishes writing it on the side.
    void onDownloadWriting(int slot, qint64 bytesRead, qint64 totalBytes);
    // A body written on the side holds its name, or could not be written.
    void onWritten(Downloader *d, qint64 bytesRead, qint64 totalBytes);
    void onWriteFailed(Downloader *d, const QString &message);
    // The steps after a row's file is settled (done or failed): type, base tag, status, sounds, login.
    void finishRow(int row);
    void forgetWriting(Downloader *d);

    DownloadContext &m_context;
    // Each slot's own connections, made on its first transfer: consecutive files of a slot from one server reuse its
    // connection, and each slot's answers are read on a network thread of its own. A single pool would read every
    // answer on one thread, where Qt reads a head one byte per system call: with many small files that thread, not
    // the network, would set the pace.
    std::array<QNetworkAccessManager *, kMaxSlots + 1> m_networks{};
    std::array<Downloader *, kMaxSlots + 1> m_slots{};
    // Instances whose body is being written, and the address of the row each serves.
    struct Writing {
        Downloader *downloader;
        QString address;
    };
    QList<Writing> m_writing;
};
