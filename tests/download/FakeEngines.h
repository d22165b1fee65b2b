#pragma once

#include "core/download/DownloadEngine.h"
#include "core/download/DownloadListModel.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>
#include <array>
#include <functional>

// Engines that behave like the real ones towards the scheduler (busyFlag, slots, lastTransferEnd, row states,
// files, sounds) without a network. A transfer ends when the test calls finish(), or by itself on the next
// event-loop turn when autoFinish is set; `succeeds` decides the outcome from the address and the attempt number.
struct FakeOutcome {
    std::function<bool(const QString &address, int attempt)> succeeds = [](const QString &, int) { return true; };
    QHash<QString, int> attempts;

    bool next(const QString &address) { return succeeds(address, ++attempts[address]); }
};

inline void settleRow(DownloadContext &context, int row, bool ok, const QString &path)
{
    DownloadListModel &list = context.list();
    if (!list.isValidRow(row))
        return;
    if (ok) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write("%PDF-1.4 fake body");
    }
    list.update(row, [&](DownloadItem &item) {
        item.state = ok ? ItemState::Done : ItemState::Failed;
        item.size = item.downloaded = ok ? QStringLiteral("18") : QString();
        item.percent = ok ? QStringLiteral("100%") : QString();
    });
    context.setStatusText(2, QStringLiteral("完成下载:") + list.item(row).name);
    if (context.soundEnabled() && IsPageType(list.item(row).type))
        context.playSound(101);
    if (context.soundEnabled() && !ok)
        context.playSound(103);
    context.markTransferEnd();
}

// Engine 1: one transfer at a time; refuses (row back to Waiting, "等待重新下载") while busy.
class FakeEngine1 final : public QObject, public SingleTransferEngine
{
public:
    explicit FakeEngine1(DownloadContext &context) : m_context(context) {}

    void Inet下载当前文件(int row) override
    {
        if (m_executing || m_context.busyFlag()) {
            m_context.list().update(row, [](DownloadItem &item) {
                item.state = ItemState::Waiting;
                item.size = QStringLiteral("等待重新下载");
            });
            return;
        }
        m_context.setBusyFlag(true);
        m_executing = true;
        m_row = row;
        started.append(row);
        if (autoFinish)
            QTimer::singleShot(0, this, [this] { finish(); });
    }
    bool stillExecuting() const override { return m_executing; }
    void cancelRequest() override { ++cancels; }

    // Ends the running transfer. A cleared busyFlag (the stop command) ends it as cancelled.
    void finish()
    {
        if (!m_executing)
            return;
        m_executing = false;
        DownloadListModel &list = m_context.list();
        if (!m_context.busyFlag()) {
            list.update(m_row, [](DownloadItem &item) {
                item.state = ItemState::Failed;
                item.percent = QStringLiteral("下载取消");
            });
            m_context.markTransferEnd();
            return;
        }
        const DownloadItem &item = list.item(m_row);
        settleRow(m_context, m_row, outcome.next(item.address), ItemFilePath(item));
        m_context.setBusyFlag(false);
    }

    FakeOutcome outcome;
    bool autoFinish = false;
    QList<int> started;
    int cancels = 0;

private:
    DownloadContext &m_context;
    bool m_executing = false;
    int m_row = -1;
};

// Engine 2: one transfer per slot 1..6.
class FakeEngine2 final : public QObject, public ConcurrentTransferEngine
{
public:
    struct Start {
        int slot;
        int row;
        QString address;
        QString path;
    };

    explicit FakeEngine2(DownloadContext &context) : m_context(context) { m_paths.fill(QString()); }

    void 多线程下载(int slot, int row, const QString &address, const QString &targetPath) override
    {
        m_loaded[static_cast<std::size_t>(slot)] = true;
        m_paths[static_cast<std::size_t>(slot)] = targetPath;
        m_context.setBusyFlag(true);
        m_context.list().update(row, [](DownloadItem &item) {
            item.state = ItemState::Downloading;
            item.size.clear();
            item.downloaded.clear();
            item.percent.clear();
        });
        started.append({slot, row, address, targetPath});
        if (autoFinish)
            QTimer::singleShot(0, this, [this, slot] {
                if (slotLoaded(slot))
                    finish(slot, outcome.next(m_context.list().item(m_context.slotRow(slot)).address));
            });
    }
    bool slotLoaded(int slot) const override
    {
        return slot >= 1 && slot <= kMaxSlots && m_loaded[static_cast<std::size_t>(slot)];
    }
    void unloadSlot(int slot) override
    {
        m_loaded[static_cast<std::size_t>(slot)] = false;
        unloaded.append(slot);
    }

    // The slot's transfer completes (ok) or fails; the slot is freed.
    void finish(int slot, bool ok)
    {
        if (!slotLoaded(slot))
            return;
        m_loaded[static_cast<std::size_t>(slot)] = false;
        settleRow(m_context, m_context.slotRow(slot), ok, m_paths[static_cast<std::size_t>(slot)]);
    }

    int loadedCount() const
    {
        int n = 0;
        for (int slot = 1; slot <= kMaxSlots; ++slot)
            n += slotLoaded(slot) ? 1 : 0;
        return n;
    }

    FakeOutcome outcome;
    bool autoFinish = false;
    QList<Start> started;
    QList<int> unloaded;

private:
    DownloadContext &m_context;
    std::array<bool, kMaxSlots + 1> m_loaded{};
    std::array<QString, kMaxSlots + 1> m_paths;
};
