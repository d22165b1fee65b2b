#include "core/download/engines/Engine2.h"

#include "core/download/DownloadListModel.h"
#include "core/download/DownloadSettings.h"
#include "core/download/DownloadTexts.h"
#include "core/download/FileTypeDetection.h"
#include "core/download/engines/AutoLoginAfterPage.h"
#include "core/download/engines/Downloader.h"
#include "core/download/engines/EngineSounds.h"
#include "core/download/engines/InsertBaseTag.h"
#include "core/download/engines/ReceivedSizeLimit.h"
#include "core/net/NetworkAccess.h"

#include <QNetworkAccessManager>
#include <algorithm>

namespace {
bool validSlot(int slot)
{
    return slot >= 1 && slot <= kMaxSlots;
}
} // namespace

Engine2::Engine2(DownloadContext &context, QObject *parent) : QObject(parent), m_context(context) {}

Engine2::~Engine2()
{
    for (int slot = 1; slot <= kMaxSlots; ++slot)
        destroySlot(slot);
    // A body not yet written goes with its instance: its name never holds less than the whole file.
    for (const Writing &w : std::as_const(m_writing)) {
        w.downloader->disconnect(this);
        delete w.downloader;
    }
}

bool Engine2::isWriting(int row) const
{
    const DownloadListModel &list = m_context.list();
    if (!list.isValidRow(row))
        return false;
    const QString &address = list.item(row).address;
    return std::any_of(m_writing.begin(), m_writing.end(), [&](const Writing &w) { return w.address == address; });
}

Downloader *Engine2::downloader(int slot) const
{
    return validSlot(slot) ? m_slots[static_cast<std::size_t>(slot)] : nullptr;
}

bool Engine2::slotLoaded(int slot) const
{
    return downloader(slot) != nullptr;
}

void Engine2::unloadSlot(int slot)
{
    destroySlot(slot);
}

void Engine2::destroySlot(int slot)
{
    Downloader *d = downloader(slot);
    if (!d)
        return;
    m_slots[static_cast<std::size_t>(slot)] = nullptr;
    d->disconnect(this);
    // Cancelling removes the partial body at once; the object itself may be in the middle of
    // raising the signal that led here, so it is deleted from the event loop.
    d->CancelAsyncRead();
    d->deleteLater();
}

void Engine2::多线程下载(int slot, int row, const QString &address, const QString &targetPath)
{
    if (!validSlot(slot))
        return;
    destroySlot(slot);
    auto *d = new Downloader(networkOf(slot), this);
    m_slots[static_cast<std::size_t>(slot)] = d;
    connect(d, &Downloader::DownloadProgress, this,
            [this, slot](qint64 read, qint64 total, const QString &) { onDownloadProgress(slot, read, total); });
    connect(d, &Downloader::DownloadWriting, this,
            [this, slot](qint64 read, qint64 total, const QString &) { onDownloadWriting(slot, read, total); });
    // Once written on the side, the instance no longer holds its slot: it is told apart by itself.
    connect(d, &Downloader::DownloadComplete, this, [this, slot, d](qint64 read, qint64 total, const QString &) {
        if (downloader(slot) == d)
            onDownloadComplete(slot, read, total);
        else
            onWritten(d, read, total);
    });
    connect(d, &Downloader::DownloadError, this, [this, slot, d](const QString &message, const QString &) {
        if (downloader(slot) == d)
            onDownloadError(slot, message);
        else
            onWriteFailed(d, message);
    });
    connect(d, &Downloader::DownloadTooBig, this,
            [this, slot](qint64 read, qint64 total, const QString &) { onDownloadTooBig(slot, read, total); });
    connect(d, &Downloader::RetryWaiting, this, [this, slot](std::chrono::milliseconds delay, int retry) {
        m_context.noteRetry(rowOfSlot(slot), delay, retry);
    });

    m_context.setBusyFlag(true);
    DownloadListModel &list = m_context.list();
    if (list.isValidRow(row)) {
        list.setState(row, ItemState::Downloading);
        if (m_context.autoLocate())
            m_context.scrollToRow(row);
        list.clearProgress(row);
    }
    d->setSizeLimit(ReceivedSizeLimit(m_context.settings()));
    d->BeginDownload(address, targetPath);
}

QNetworkAccessManager *Engine2::networkOf(int slot)
{
    QNetworkAccessManager *&network = m_networks[static_cast<std::size_t>(slot)];
    if (!network) {
        network = NewNetworkAccess(this);
        network->setAutoDeleteReplies(false);
    }
    return network;
}

int Engine2::rowOfSlot(int slot) const
{
    if (!validSlot(slot))
        return -1;
    const int row = m_context.slotRow(slot);
    return m_context.list().isValidRow(row) ? row : -1;
}

bool Engine2::showProgress(int row, qint64 bytesRead, qint64 totalBytes)
{
    if (totalBytes <= 0 || totalBytes < bytesRead)
        return false;
    const auto percent = static_cast<qint64>(static_cast<double>(bytesRead) / static_cast<double>(totalBytes) * 100.0);
    m_context.list().update(row, [&](DownloadItem &item) {
        item.size = QString::number(totalBytes);
        item.downloaded = QString::number(bytesRead);
        item.percent = QString::number(percent) + QLatin1Char('%');
    });
    return true;
}

void Engine2::onDownloadProgress(int slot, qint64 bytesRead, qint64 totalBytes)
{
    if (!slotLoaded(slot))
        return;
    const int row = rowOfSlot(slot);
    if (row < 0)
        return;
    if (!showProgress(row, bytesRead, totalBytes))
        return;
    const double megabytes = static_cast<double>(totalBytes) / 1024.0 / 1024.0;
    if (megabytes > m_context.settings().maxFileSizeMb)
        skipTooBig(slot, row);
}

void Engine2::onDownloadTooBig(int slot, qint64 bytesRead, qint64 totalBytes)
{
    if (!slotLoaded(slot))
        return;
    const int row = rowOfSlot(slot);
    if (row >= 0) {
        m_context.list().update(row, [&](DownloadItem &item) {
            if (totalBytes > 0)
                item.size = QString::number(totalBytes);
            item.downloaded = QString::number(bytesRead);
        });
        skipTooBig(slot, row);
    } else {
        destroySlot(slot);
        m_context.markTransferEnd();
    }
}

void Engine2::skipTooBig(int slot, int row)
{
    DownloadListModel &list = m_context.list();
    list.setState(row, ItemState::Done);
    list.setPercent(row, DownloadTexts::kTooBig);
    m_context.markTransferEnd();
    // The partial body goes with the instance: a skipped file must not look like a downloaded one.
    destroySlot(slot);
}

void Engine2::onDownloadComplete(int slot, qint64 bytesRead, qint64 totalBytes)
{
    if (!slotLoaded(slot))
        return;
    const int row = rowOfSlot(slot);
    if (row < 0) {
        destroySlot(slot);
        return;
    }
    DownloadListModel &list = m_context.list();
    showProgress(row, bytesRead, totalBytes);
    const bool complete = list.item(row).percent == QLatin1String("100%");
    list.setState(row, complete ? ItemState::Done : ItemState::Failed);
    // A body shorter than announced never reached the row's file name (Downloader keeps it out).
    destroySlot(slot);

    finishRow(row);
    m_context.markTransferEnd();
}

void Engine2::finishRow(int row)
{
    DownloadListModel &list = m_context.list();
    list.update(row, [](DownloadItem &item) { CorrectItemFileType(item); });
    InsertBaseTag(list.item(row));

    const DownloadItem &item = list.item(row);
    m_context.setStatusText(2, DownloadTexts::kFinished + item.name);
    PlayTransferEndSounds(m_context, item);
    RunAutoLoginAfterPage(m_context, item);
}

void Engine2::onDownloadWriting(int slot, qint64 bytesRead, qint64 totalBytes)
{
    Downloader *d = downloader(slot);
    if (!d)
        return;
    m_slots[static_cast<std::size_t>(slot)] = nullptr;
    m_writing.append({d, d->listAddress()});
    const int row = m_context.slotRow(slot);
    if (m_context.list().isValidRow(row) && m_context.list().item(row).address == d->listAddress()) {
        showProgress(row, bytesRead, totalBytes);
        m_context.list().setPercent(row, DownloadTexts::kWriting);
    }
    // The slot is free: the next row starts while this body is written.
    m_context.markTransferEnd();
}

void Engine2::forgetWriting(Downloader *d)
{
    m_writing.removeIf([d](const Writing &w) { return w.downloader == d; });
    d->disconnect(this);
    d->deleteLater();
}

void Engine2::onWritten(Downloader *d, qint64 bytesRead, qint64 totalBytes)
{
    const QString address = d->listAddress();
    forgetWriting(d);
    // Found by its address: the list may have moved while the body was written.
    const int row = m_context.list().rowOf(address);
    if (row >= 0) {
        showProgress(row, bytesRead, totalBytes);
        m_context.list().setState(row, ItemState::Done);
        finishRow(row);
    }
    m_context.markFileWritten();
}

void Engine2::onWriteFailed(Downloader *d, const QString &message)
{
    const QString address = d->listAddress();
    forgetWriting(d);
    const int row = m_context.list().rowOf(address);
    if (row >= 0) {
        m_context.list().setState(row, ItemState::Failed);
        m_context.list().setPercent(row, message);
    }
    m_context.markFileWritten();
}

void Engine2::onDownloadError(int slot, const QString &message)
{
    if (!slotLoaded(slot))
        return;
    const int row = rowOfSlot(slot);
    if (row >= 0) {
        m_context.list().setState(row, ItemState::Failed);
        m_context.list().setPercent(row, message);
    }
    destroySlot(slot);
    m_context.markTransferEnd();
}
