#pragma once

#include "core/download/DownloadEngine.h"
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadSettings.h"
#include "core/util/ClockTimer.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <array>
#include <chrono>
#include <memory>

// The download manager's run state and its two one-second timers: the scheduler proper (Timer_Down), which
// starts waiting rows on engine 1 (one at a time) or engine 2 (one per free slot) after the pause between
// downloads, and the supervision tick (Timer1), which keeps the flags and statistics, starts automatically,
// re-queues automatically and applies the stop rule. While the scheduler runs, a transfer that ends also starts
// the next waiting row itself, at once or when the pause has passed, so a list of small files is not held to a
// few starts a second by the tick; rows added while it runs start the same way. It owns the list and the engines;
// the download window binds its controls to the options here and forwards its commands, and the batch mode drives
// it without a window.
class DownloadScheduler final : public QObject, public DownloadContext
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadScheduler)

public:
    static constexpr std::chrono::milliseconds kTickInterval{1000};

    // Which rows automatic re-download queues again (the positions of Combo4).
    enum class ReDownload { Failed = 0, Pages = 1, FailedAndPages = 2 };

    // The window's load steps that concern the scheduler: lastTransferEnd = now, an empty list, the mode,
    // threads and same-name choice from the settings store, the program-wide download settings re-read,
    // and the supervision tick started.
    explicit DownloadScheduler(QObject *parent = nullptr);
    ~DownloadScheduler() override;

    void setEngines(std::unique_ptr<SingleTransferEngine> engine1, std::unique_ptr<ConcurrentTransferEngine> engine2);
    SingleTransferEngine *engine1() const { return m_engine1.get(); }
    ConcurrentTransferEngine *engine2() const { return m_engine2.get(); }

    // --- commands
    // Enables the scheduler (Command4, menu下载全部).
    void StartDownloads();
    // Command31, menu停止下载 and the window's close: automatic start and re-download unchecked, engine 1
    // cancelled, the scheduler stopped, every slot unloaded, Downloading rows Failed, busyFlag cleared.
    void StopAllDownloads();
    // Command26: mode 2 becomes 1, anything else 2; the thread box shows 1 either way.
    void switchEngine();
    // menu取消下载选中项: refused with a message while busyFlag is set; otherwise the Waiting rows among `rows`
    // become Failed. False when refused.
    bool cancelRows(const QList<int> &rows);

    // --- state
    bool isRunning() const { return m_timerDown.isActive(); }
    // The indicators the supervision tick updates: menu下载全部 enabled, Shape1 visible.
    bool startEnabled() const { return m_startEnabled; }
    bool runningShown() const { return m_runningShown; }
    QString statisticsText() const { return m_statistics; }
    // engine 1 executing, a slot loaded or a finished body still being written.
    bool transfersRunning() const;
    // engine 1 executing, a slot loaded or the scheduler running: the guard of the list tools.
    bool transfersActive() const;
    // engine 1 executing, a slot loaded, the list unfinished or the scheduler running.
    bool downloadsActive() const;
    // The close question is due: the same as downloadsActive().
    bool closeNeedsQuestion() const { return downloadsActive(); }
    // "下载方式：" + the mode digit.
    QString modeLabelText() const;

    // --- options (the window's controls)
    int mode() const { return m_mode; }
    void setMode(int mode);
    // Combo1: concurrent transfers of engine 2, 1 to 6.
    int threads() const { return m_threads; }
    void setThreads(int threads);
    // Combo2: seconds between the end of one transfer and the next start, 0 to 600.
    int pauseSeconds() const { return m_pauseSeconds; }
    void setPauseSeconds(int seconds);
    bool autoReDownload() const { return m_autoReDownload; } // Check3
    void setAutoReDownload(bool on);
    ReDownload reDownloadRows() const { return m_reDownload; } // Combo4
    void setReDownloadRows(ReDownload which);
    bool autoStart() const { return m_autoStart; } // Check4
    void setAutoStart(bool on);
    bool stopRule() const { return m_stopRule; } // Check5
    void setStopRule(bool on);
    void setSoundEnabled(bool on);                  // Check6
    void setAutoLocate(bool on);                    // menu自动定位到下载项
    void setSameNameChoice(const QString &caption); // Option1..3
    void setAutoLoginChecked(bool on);              // Check2

    // The window's close, once it goes ahead: the same-name choice and mode stored (also when the close is
    // cancelled: storeChoices()), timers stopped, downloads stopped, engine 1 cancelled, the thread position stored.
    void storeChoices() const;
    void shutdown();

    // --- DownloadContext
    DownloadListModel &list() override { return m_list; }
    const DownloadListModel &list() const { return m_list; }
    bool busyFlag() const override { return m_busy; }
    void setBusyFlag(bool busy) override { m_busy = busy; }
    int slotRow(int slot) const override;
    void setSlotRow(int slot, int row) override;
    void markTransferEnd() override;
    void markFileWritten() override { Q_EMIT transferEnded(); }
    const DownloadSettings &settings() const override { return DownloadSettings::program(); }
    QString sameNameChoice() const override { return m_sameNameChoice; }
    bool soundEnabled() const override { return m_sound; }
    bool autoLocate() const override { return m_autoLocate; }
    bool autoLoginChecked() const override { return m_autoLogin; }
    void scrollToRow(int row) override;
    void setStatusText(int panel, const QString &text) override;
    void playSound(int number) override;
    void runAutoLogin() override;
    void noteRetry(int row, std::chrono::milliseconds delay, int retry) override;
    // Transfers tried again after a 429 or 503, since the scheduler was made.
    int retries() const { return m_retries; }

    // The ticks themselves, also callable directly (the benchmark, tests that step by hand).
    void schedulerTick();
    void supervisionTick();

Q_SIGNALS:
    // After every supervision tick: indicators and statistics may have changed.
    void supervised();
    void schedulerTicked();
    // An engine reported the end of a transfer (done, failed or abandoned), or a finished body written out.
    void transferEnded();
    // The scheduler changed an option itself (stop unchecked automatic start and re-download, switch engine).
    void optionsChanged();
    void statusTextChanged(int panel, const QString &text);
    void soundRequested(int number);
    void scrollRequested(int row);
    void autoLoginRequested();

private:
    void startEngine1Row();
    void startEngine2Rows();
    // The first Waiting row that needs a download, from the top; rows the same-name rule settles on the way are
    // passed over. `createFolders` builds the folder chain (engine 2), else only a separator is appended.
    int nextRowToStart(bool createFolders);
    void sweepLeftovers(const QString &folder);
    bool pauseRunning() const;
    void enableTimerDown();
    bool anySlotLoaded(int upTo) const;
    void stopSchedulerWithSound();
    // A transfer ended or rows were added: free slots are filled without waiting for the tick, once the pause
    // allows.
    void startWaitingRowsSoon();
    void startFreedSlots();
    void armPauseEnd();
    bool stopRuleDue() const;

    DownloadListModel m_list;
    std::unique_ptr<SingleTransferEngine> m_engine1;
    std::unique_ptr<ConcurrentTransferEngine> m_engine2;
    ClockTimer m_supervision; // Timer1
    ClockTimer m_timerDown;   // Timer_Down
    ClockTimer m_pauseEnd;    // the pause after the latest transfer end is over
    bool m_startQueued = false;

    bool m_busy = false;
    std::array<int, kSlotRowSize> m_slotRow;
    qint64 m_lastTransferEnd = 0; // monotonic ms
    // Sound 102 is due only after the scheduler has started or settled a row (or was started by the user)
    // since it last played: a finished list, or the stop rule, announces itself once, not every second while
    // automatic re-download keeps re-enabling the scheduler.
    bool m_stopSoundDue = false;

    int m_mode = 2;
    int m_threads = 1;
    int m_pauseSeconds = 0;
    int m_retries = 0;
    bool m_autoReDownload = false;
    ReDownload m_reDownload = ReDownload::Failed;
    bool m_autoStart = false;
    bool m_stopRule = false;
    bool m_sound = false;
    bool m_autoLocate = false;
    QSet<QString> m_sweptFolders; // folders whose leftover bodies were removed in this run
    bool m_autoLogin = false;
    QString m_sameNameChoice;

    bool m_startEnabled = true;
    bool m_runningShown = false;
    QString m_statistics;
};
