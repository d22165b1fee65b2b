#pragma once

#include "core/download/DownloadEngine.h"
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadSettings.h"
#include "core/util/Clock.h"

#include <QList>
#include <QMap>
#include <QString>

// The download window as the engines see it, recording what they tell it.
class EngineTestContext final : public DownloadContext
{
public:
    DownloadListModel &list() override { return model; }
    bool busyFlag() const override { return busy; }
    void setBusyFlag(bool value) override { busy = value; }
    int slotRow(int slot) const override { return slotRows.value(slot, -1); }
    void setSlotRow(int slot, int row) override { slotRows[slot] = row; }
    void markTransferEnd() override { ++transferEnds; }
    const DownloadSettings &settings() const override { return downloadSettings; }
    QString sameNameChoice() const override { return sameName; }
    bool soundEnabled() const override { return sound; }
    bool autoLocate() const override { return locate; }
    bool autoLoginChecked() const override { return false; }
    void scrollToRow(int row) override { scrolled.append(row); }
    void setStatusText(int panel, const QString &text) override { status[panel].append(text); }
    void playSound(int number) override { sounds.append(number); }
    void runAutoLogin() override {}

    // A waiting row of type `type` saved into `folder`; returns its row.
    int addRow(const QString &address, const QString &name, const QString &type, const QString &folder,
               const QString &referrer = {})
    {
        DownloadItem item;
        item.address = address;
        item.name = name;
        item.type = type;
        item.folder = folder;
        item.referrer = referrer;
        model.append(item);
        return model.rowOf(address);
    }

    DownloadListModel model;
    DownloadSettings downloadSettings;
    bool busy = false;
    QMap<int, int> slotRows;
    int transferEnds = 0;
    QString sameName = QStringLiteral("重命名");
    bool sound = true;
    bool locate = false;
    QList<int> scrolled;
    QMap<int, QStringList> status;
    QList<int> sounds;
};
