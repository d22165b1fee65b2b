#include "core/download/DownloadScheduler.h"

#include "core/download/BodyFile.h"
#include "core/download/DownloadListQueries.h"
#include "core/download/DownloadTexts.h"
#include "core/download/ReQueue.h"
#include "core/download/SameNameRules.h"
#include "core/store/Settings.h"
#include "core/util/Clock.h"
#include "core/util/DocumentFileName.h"
#include "core/util/Prompt.h"

#include <algorithm>
#include <cstdlib>

namespace {
constexpr int kMaxPauseSeconds = 600;
constexpr int kStopRuleLimit = 5;
constexpr int kFinishedSound = 102;

const QString *const kCaptions[] = {&DownloadTexts::kSkip, &DownloadTexts::kOverwrite, &DownloadTexts::kRename};

QString knownCaption(const QString &caption)
{
    const QString trimmed = caption.trimmed();
    for (const QString *known : kCaptions)
        if (trimmed == *known)
            return *known;
    return DownloadTexts::kRename;
}
} // namespace

DownloadScheduler::DownloadScheduler(QObject *parent)
    : QObject(parent), m_supervision(this), m_timerDown(this), m_pauseEnd(this)
{
    m_supervision.setObjectName(QStringLiteral("Timer1"));
    m_timerDown.setObjectName(QStringLiteral("Timer_Down"));
    m_slotRow.fill(-1);
    m_lastTransferEnd = Clock::monotonicMs();

    m_mode = SettingKeys::下载方式.read();
    m_threads = 1;
    if (m_mode != 1) {
        // The stored value is the position of the selected entry of "1".."6"; a position outside the box
        // leaves it at "1".
        const int position = SettingKeys::线程.read();
        if (position >= 0 && position < kMaxSlots)
            m_threads = position + 1;
    }
    m_sameNameChoice = knownCaption(SettingKeys::重复文件名设置.read());
    DownloadSettings::program() = DownloadSettings::fromStore();

    m_statistics = UpdateStatistics(m_list);
    m_supervision.setInterval(kTickInterval);
    m_timerDown.setInterval(kTickInterval);
    connect(&m_supervision, &ClockTimer::timeout, this, &DownloadScheduler::supervisionTick);
    connect(&m_timerDown, &ClockTimer::timeout, this, &DownloadScheduler::schedulerTick);
    m_pauseEnd.setSingleShot(true);
    connect(&m_pauseEnd, &ClockTimer::timeout, this, &DownloadScheduler::startFreedSlots);
    // Rows handed over while the scheduler runs (the analysis goes on beside the downloads) take a free slot as a
    // transfer's end would give it, not a second later at the tick.
    connect(&m_list, &QAbstractItemModel::rowsInserted, this, &DownloadScheduler::startWaitingRowsSoon);
    m_supervision.start();
}

DownloadScheduler::~DownloadScheduler()
{
    m_supervision.stop();
    m_timerDown.stop();
    m_pauseEnd.stop();
    // The engines may still talk to the context while they wind down: they go first.
    m_engine1.reset();
    m_engine2.reset();
}

void DownloadScheduler::setEngines(std::unique_ptr<SingleTransferEngine> engine1,
                                   std::unique_ptr<ConcurrentTransferEngine> engine2)
{
    m_engine1 = std::move(engine1);
    m_engine2 = std::move(engine2);
}

void DownloadScheduler::StartDownloads()
{
    m_stopSoundDue = true;
    const bool wasRunning = m_timerDown.isActive();
    enableTimerDown();
    // When a newly enabled scheduler first ticks is ours to choose: a start command starts rows now rather than a
    // second later. Queued, so the command returns first, as it does with the tick.
    if (!wasRunning)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_timerDown.isActive())
                    schedulerTick();
            },
            Qt::QueuedConnection);
}

void DownloadScheduler::enableTimerDown()
{
    // Enabling a running timer must not restart its countdown: the supervision tick enables it every second
    // while rows wait, and a restarted countdown of the same length would never fire.
    if (!m_timerDown.isActive())
        m_timerDown.start();
}

void DownloadScheduler::StopAllDownloads()
{
    const bool optionsTouched = m_autoStart || m_autoReDownload;
    m_autoStart = false;
    m_autoReDownload = false;

    if (m_engine1)
        m_engine1->cancelRequest();
    m_timerDown.stop();
    m_pauseEnd.stop();
    m_busy = false;
    if (m_engine1)
        m_engine1->cancelRequest();

    if (m_engine2)
        for (int slot = 1; slot <= kMaxSlots; ++slot)
            if (m_engine2->slotLoaded(slot))
                m_engine2->unloadSlot(slot);

    // A row whose whole body is being written is not stopped: its file is complete and takes its name.
    for (int row = 0; row < m_list.size(); ++row)
        if (m_list.item(row).state == ItemState::Downloading && !(m_engine2 && m_engine2->isWriting(row)))
            m_list.setState(row, ItemState::Failed);

    if (!m_list.isEmpty())
        m_busy = false;
    if (optionsTouched)
        Q_EMIT optionsChanged();
}

void DownloadScheduler::switchEngine()
{
    m_mode = m_mode == 2 ? 1 : 2;
    m_threads = 1;
    Q_EMIT optionsChanged();
}

bool DownloadScheduler::cancelRows(const QList<int> &rows)
{
    if (m_busy) {
        Prompt::current().message(DownloadTexts::kStopBeforeSetting, Prompt::Icon::Critical);
        return false;
    }
    for (int row : rows)
        if (m_list.isValidRow(row) && m_list.item(row).state == ItemState::Waiting)
            m_list.setState(row, ItemState::Failed);
    return true;
}

bool DownloadScheduler::transfersRunning() const
{
    return (m_engine1 && m_engine1->stillExecuting()) || anySlotLoaded(kMaxSlots) ||
           (m_engine2 && m_engine2->writesPending());
}

bool DownloadScheduler::transfersActive() const
{
    return transfersRunning() || m_timerDown.isActive();
}

bool DownloadScheduler::downloadsActive() const
{
    return transfersActive() || !检测是否下载列表完毕(m_list);
}

QString DownloadScheduler::modeLabelText() const
{
    return DownloadTexts::kModeLabel + QString::number(m_mode);
}

void DownloadScheduler::setMode(int mode)
{
    m_mode = mode;
}

void DownloadScheduler::setThreads(int threads)
{
    m_threads = std::clamp(threads, 1, kMaxSlots);
}

void DownloadScheduler::setPauseSeconds(int seconds)
{
    m_pauseSeconds = std::clamp(seconds, 0, kMaxPauseSeconds);
}

void DownloadScheduler::setAutoReDownload(bool on)
{
    m_autoReDownload = on;
}

void DownloadScheduler::setReDownloadRows(ReDownload which)
{
    m_reDownload = which;
}

void DownloadScheduler::setAutoStart(bool on)
{
    m_autoStart = on;
}

void DownloadScheduler::setStopRule(bool on)
{
    m_stopRule = on;
}

void DownloadScheduler::setSoundEnabled(bool on)
{
    m_sound = on;
}

void DownloadScheduler::setAutoLocate(bool on)
{
    m_autoLocate = on;
}

void DownloadScheduler::setSameNameChoice(const QString &caption)
{
    m_sameNameChoice = knownCaption(caption);
}

void DownloadScheduler::setAutoLoginChecked(bool on)
{
    m_autoLogin = on;
}

void DownloadScheduler::storeChoices() const
{
    SettingKeys::重复文件名设置.write(m_sameNameChoice);
    SettingKeys::下载方式.write(m_mode);
}

void DownloadScheduler::shutdown()
{
    m_supervision.stop();
    m_timerDown.stop();
    StopAllDownloads();
    if (m_engine1)
        m_engine1->cancelRequest();
    SettingKeys::线程.write(m_threads - 1);
}

int DownloadScheduler::slotRow(int slot) const
{
    return slot >= 0 && slot < kSlotRowSize ? m_slotRow[static_cast<std::size_t>(slot)] : -1;
}

void DownloadScheduler::setSlotRow(int slot, int row)
{
    if (slot >= 0 && slot < kSlotRowSize)
        m_slotRow[static_cast<std::size_t>(slot)] = row;
}

void DownloadScheduler::markTransferEnd()
{
    m_lastTransferEnd = Clock::monotonicMs();
    startWaitingRowsSoon();
    Q_EMIT transferEnded();
}

void DownloadScheduler::startWaitingRowsSoon()
{
    if (!m_timerDown.isActive())
        return;
    if (m_pauseSeconds > 0) {
        // The pause runs from the latest end, so a later end pushes the start back.
        armPauseEnd();
        return;
    }
    // Queued: the engine that reports the end is still inside its handler and has not yet freed its slot or
    // cleared busyFlag.
    if (m_startQueued)
        return;
    m_startQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_startQueued = false;
            startFreedSlots();
        },
        Qt::QueuedConnection);
}

void DownloadScheduler::armPauseEnd()
{
    // Over once more than the pause has passed since the end, as the tick sees it.
    const qint64 pauseMs = std::chrono::milliseconds(std::chrono::seconds(m_pauseSeconds)).count();
    const qint64 left = m_lastTransferEnd + pauseMs + 1 - Clock::monotonicMs();
    m_pauseEnd.start(std::chrono::milliseconds(std::max<qint64>(left, 1)));
}

void DownloadScheduler::startFreedSlots()
{
    if (!m_timerDown.isActive() || m_list.isEmpty())
        return;
    if (m_pauseSeconds > 0 && pauseRunning()) {
        // A timer that fired a little early, or a pause lengthened meanwhile.
        armPauseEnd();
        return;
    }
    // The stop rule belongs to the supervision tick; until it has run, no row starts behind its back.
    if (stopRuleDue())
        return;
    if (m_mode == 1)
        startEngine1Row();
    else
        startEngine2Rows();
}

bool DownloadScheduler::stopRuleDue() const
{
    return m_stopRule && CountErrorsAndPages(m_list) >= kStopRuleLimit;
}

void DownloadScheduler::scrollToRow(int row)
{
    Q_EMIT scrollRequested(row);
}

void DownloadScheduler::setStatusText(int panel, const QString &text)
{
    Q_EMIT statusTextChanged(panel, text);
}

void DownloadScheduler::noteRetry(int row, std::chrono::milliseconds delay, int retry)
{
    ++m_retries;
    const QString name = m_list.isValidRow(row) ? m_list.item(row).name : QString();
    setStatusText(2, DownloadTexts::kRetryWaiting.arg(std::chrono::duration_cast<std::chrono::seconds>(delay).count())
                         .arg(retry)
                         .arg(m_retries)
                         .arg(name));
}

void DownloadScheduler::playSound(int number)
{
    Q_EMIT soundRequested(number);
}

void DownloadScheduler::runAutoLogin()
{
    Q_EMIT autoLoginRequested();
}

bool DownloadScheduler::pauseRunning() const
{
    const qint64 pauseMs = std::chrono::milliseconds(std::chrono::seconds(m_pauseSeconds)).count();
    return std::llabs(Clock::monotonicMs() - m_lastTransferEnd) <= pauseMs;
}

bool DownloadScheduler::anySlotLoaded(int upTo) const
{
    if (!m_engine2)
        return false;
    for (int slot = 1; slot <= std::min(upTo, kMaxSlots); ++slot)
        if (m_engine2->slotLoaded(slot))
            return true;
    return false;
}

int DownloadScheduler::nextRowToStart(bool createFolders)
{
    const SameNameOption option = SameNameOptionFromCaption(m_sameNameChoice);
    for (int row = 0; row < m_list.size(); ++row) {
        if (m_list.item(row).state != ItemState::Waiting)
            continue;
        bool needed = true;
        bool waitsForName = false;
        m_list.update(row, [&](DownloadItem &item) {
            item.name = DocumentFileName(item.name, item.address, false);
            if (createFolders && !CreateItemFolder(item)) {
                needed = false;
                return;
            }
            item.folder = FolderWithSeparator(item.folder);
            sweepLeftovers(item.folder);
            needed = 确定是需要下载(item, option);
            // Only the rename rule gives a row a name of its own; under the others it waits for the running
            // download of the same name to end, and is then skipped or replaces it as the rule says.
            if (needed && option != SameNameOption::Rename && BodyFile::IsReserved(ItemFilePath(item)))
                waitsForName = true;
        });
        if (waitsForName)
            continue;
        m_stopSoundDue = true;
        if (needed)
            return row;
    }
    return -1;
}

void DownloadScheduler::sweepLeftovers(const QString &folder)
{
    // Once per folder and run: bodies a killed run left behind go, but for those a row may still resume.
    if (!m_sweptFolders.contains(folder)) {
        m_sweptFolders.insert(folder);
        BodyFile::RemoveLeftovers(folder);
    }
}

void DownloadScheduler::startEngine1Row()
{
    if (m_busy || !m_engine1)
        return;
    const int row = nextRowToStart(false);
    if (row < 0)
        return;
    m_list.update(row, [](DownloadItem &item) {
        item.state = ItemState::Downloading;
        item.size.clear();
        item.downloaded.clear();
        item.percent.clear();
    });
    if (m_autoLocate)
        scrollToRow(row);
    m_slotRow[1] = row;
    m_engine1->Inet下载当前文件(row);
}

void DownloadScheduler::startEngine2Rows()
{
    if (!m_engine2)
        return;
    const SameNameOption option = SameNameOptionFromCaption(m_sameNameChoice);
    for (int slot = 1; slot <= m_threads; ++slot) {
        if (m_engine2->slotLoaded(slot))
            continue;
        const int row = nextRowToStart(true);
        if (row < 0)
            continue;
        m_list.setState(row, ItemState::Downloading);
        if (m_autoLocate)
            scrollToRow(row);
        const DownloadItem &item = m_list.item(row);
        QString shownName = item.name;
        const QString target = 重命名保存路径(item.folder, item.name, item.type, option, &shownName);
        m_list.setName(row, shownName);
        m_slotRow[static_cast<std::size_t>(slot)] = row;
        m_engine2->多线程下载(slot, row, m_list.item(row).address, target);
    }
}

void DownloadScheduler::schedulerTick()
{
    if (m_list.isEmpty()) {
        m_timerDown.stop();
    } else if (!pauseRunning()) {
        if (m_mode == 1)
            startEngine1Row();
        else
            startEngine2Rows();
    }
    Q_EMIT schedulerTicked();
}

void DownloadScheduler::stopSchedulerWithSound()
{
    m_timerDown.stop();
    if (m_sound && m_stopSoundDue)
        playSound(kFinishedSound);
    m_stopSoundDue = false;
}

void DownloadScheduler::supervisionTick()
{
    const bool finished = 检测是否下载列表完毕(m_list);
    if (finished) {
        m_startEnabled = true;
        if (m_timerDown.isActive())
            stopSchedulerWithSound();
    } else {
        m_startEnabled = !m_timerDown.isActive();
    }

    m_runningShown = m_timerDown.isActive();

    if (m_mode == 1) {
        if (!(m_engine1 && m_engine1->stillExecuting()) && !m_timerDown.isActive())
            m_busy = false;
    } else {
        if (anySlotLoaded(m_threads))
            m_busy = true;
        if (!m_timerDown.isActive())
            m_busy = false;
    }

    m_statistics = UpdateStatistics(m_list);

    if (m_autoStart && 统计未下载项数目(m_list) >= 1)
        enableTimerDown();

    if (m_autoReDownload && !m_timerDown.isActive()) {
        if (m_reDownload == ReDownload::Failed || m_reDownload == ReDownload::FailedAndPages)
            ReQueueFailed(m_list);
        if (m_reDownload == ReDownload::Pages || m_reDownload == ReDownload::FailedAndPages)
            ReQueuePages(m_list);
        enableTimerDown();
    }

    if (stopRuleDue() && m_timerDown.isActive())
        stopSchedulerWithSound();

    Q_EMIT supervised();
}
