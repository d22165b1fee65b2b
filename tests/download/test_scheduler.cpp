// The download scheduler with engines that behave like the real ones: which rows start when, on which slot,
// after which pause, and what the supervision tick does about finished lists, failures and the stop command.
#include "FakeEngines.h"

#include "core/download/DownloadScheduler.h"
#include "core/download/DownloadTexts.h"
#include "core/store/Settings.h"
#include "core/util/Clock.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace std::chrono_literals;

namespace {
// A scheduler in an isolated data folder with both fake engines, rows in a temporary folder.
struct Rig {
    TestHome home;
    RecordingPrompt prompt;
    QTemporaryDir dir;
    DownloadScheduler s;
    FakeEngine1 *e1;
    FakeEngine2 *e2;
    QSignalSpy sounds{&s, &DownloadScheduler::soundRequested};

    Rig()
    {
        e1 = new FakeEngine1(s);
        e2 = new FakeEngine2(s);
        s.setEngines(std::unique_ptr<SingleTransferEngine>(e1), std::unique_ptr<ConcurrentTransferEngine>(e2));
    }

    QString folder() const { return dir.path() + QLatin1Char('/'); }

    void add(int count, const QString &type = QStringLiteral("pdf"))
    {
        const int first = s.list().size();
        for (int i = first; i < first + count; ++i) {
            DownloadItem item;
            item.address = QStringLiteral("http://h/%1").arg(i);
            item.name = QStringLiteral("r%1").arg(i);
            item.type = type;
            item.folder = folder();
            s.list().append(item);
        }
    }
    void add(ItemState state, const QString &type = QStringLiteral("pdf"))
    {
        add(1, type);
        s.list().setState(s.list().size() - 1, state);
    }

    // One scheduler tick, one second after the previous one.
    void tick()
    {
        Clock::advance(1s);
        s.schedulerTick();
    }
    ItemState state(int row) const { return s.list().item(row).state; }
    int soundCount(int number) const
    {
        int n = 0;
        for (const auto &args : sounds)
            n += args.at(0).toInt() == number;
        return n;
    }
};
} // namespace

class TestScheduler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { Clock::reset(); }

    void engine2FillsEverySlotInOneTick()
    {
        Rig r;
        r.s.setMode(2);
        r.s.setThreads(3);
        r.add(5);
        // A folder that does not exist yet is created before the start.
        r.s.list().setFolder(1, r.dir.path() + QStringLiteral("/sub/deeper"));
        r.tick();
        QCOMPARE(r.e2->started.size(), 3);
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(r.e2->started.at(k).slot, k + 1);
            QCOMPARE(r.e2->started.at(k).row, k);
            QCOMPARE(r.s.slotRow(k + 1), k);
            QCOMPARE(r.state(k), ItemState::Downloading);
        }
        QCOMPARE(r.state(3), ItemState::Waiting);
        QCOMPARE(r.state(4), ItemState::Waiting);
        QVERIFY(QDir(r.dir.path() + "/sub/deeper").exists());
        QVERIFY(r.s.list().item(1).folder.endsWith(QLatin1Char('/')));
        QCOMPARE(r.e2->started.at(0).path, r.folder() + "r0.pdf");
        QVERIFY(r.s.busyFlag());

        // Busy slots are left alone; the slot that frees up takes the next waiting row.
        r.e2->finish(2, true);
        r.tick();
        QCOMPARE(r.e2->started.size(), 4);
        QCOMPARE(r.e2->started.last().slot, 2);
        QCOMPARE(r.e2->started.last().row, 3);
        QCOMPARE(r.state(1), ItemState::Done);
    }

    // The row's folder is made as stored; one that cannot be made fails its row with the folder and the reason,
    // and the next row takes the slot. A nameless row gets its address's name, never a hidden ".pdf".
    void engine2RowFolders()
    {
        Rig r;
        r.s.setMode(2);
        r.s.setThreads(2);
        r.add(3);
        QFile blocker(r.folder() + "blocker");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        r.s.list().setFolder(0, r.folder() + "blocker/sub");
        r.s.list().setFolder(1, r.folder() + ".cache/what?");
        r.s.list().setName(2, QStringLiteral(" ?. "));
        r.tick();
        QCOMPARE(r.state(0), ItemState::Failed);
        const QString percent = r.s.list().item(0).percent;
        QVERIFY2(percent.startsWith(QStringLiteral("创建文件夹出错！") + r.folder() + "blocker/sub: "),
                 qPrintable(percent));
        QVERIFY2(percent.contains(QStringLiteral("Not a directory"), Qt::CaseInsensitive), qPrintable(percent));
        QVERIFY(r.prompt.texts().isEmpty());
        QCOMPARE(r.e2->started.size(), 2);
        QCOMPARE(r.e2->started.at(0).path, r.folder() + ".cache/what?/r1.pdf");
        QCOMPARE(r.e2->started.at(1).path, r.folder() + "2.pdf");
    }

    void engine2RenamesBeforeTheStart()
    {
        Rig r;
        r.s.setThreads(1);
        r.s.setSameNameChoice(QStringLiteral("重命名"));
        r.add(1);
        QFile existing(r.folder() + "r0.pdf");
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        r.tick();
        QCOMPARE(r.e2->started.size(), 1);
        QCOMPARE(r.e2->started.at(0).path, r.folder() + "r0[001].pdf");
        QCOMPARE(r.s.list().item(0).name, QStringLiteral("r0[001]"));
    }

    // With a pause of 5 s, the end of one transfer holds back every free slot for five seconds.
    void pauseRunsFromTheLastTransferEnd()
    {
        Rig r;
        r.s.setThreads(3);
        r.s.setPauseSeconds(5);
        r.add(5);
        Clock::advance(5s);
        r.tick();
        QCOMPARE(r.e2->started.size(), 3);
        r.e2->finish(1, true);
        r.tick(); // 1 s after the end
        Clock::advance(3s);
        r.s.schedulerTick(); // 4 s
        Clock::advance(1s);
        r.s.schedulerTick(); // exactly 5 s: not more than the pause
        QCOMPARE(r.e2->started.size(), 3);
        Clock::advance(1ms);
        r.s.schedulerTick();
        QCOMPARE(r.e2->started.size(), 4);
        QCOMPARE(r.e2->started.last().slot, 1);
        QCOMPARE(r.e2->started.last().row, 3);
    }

    // Engine 1 starts rows strictly one after another from the top; a row the skip rule settles is passed over
    // and the next waiting row starts in the same tick.
    void engine1OneAfterAnother()
    {
        Rig r;
        r.s.setMode(1);
        r.s.setSameNameChoice(QStringLiteral("跳过"));
        r.add(4);
        r.s.list().setFolder(2, r.dir.path()); // no separator yet
        QFile existing(r.folder() + "r0.pdf");
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("12345");
        existing.close();

        r.tick();
        QCOMPARE(r.state(0), ItemState::Done);
        QCOMPARE(r.s.list().item(0).percent, QStringLiteral("已存在，跳过"));
        QCOMPARE(r.s.list().item(0).size, QStringLiteral("5"));
        QCOMPARE(r.e1->started, QList<int>{1});
        QCOMPARE(r.s.slotRow(1), 1);
        r.tick(); // busy: nothing new
        QCOMPARE(r.e1->started, QList<int>{1});
        r.e1->finish();
        QCOMPARE(r.state(1), ItemState::Done);
        r.tick();
        QCOMPARE(r.e1->started, (QList<int>{1, 2}));
        QCOMPARE(r.s.list().item(2).folder, r.folder());
        QVERIFY(r.e2->started.isEmpty());
    }

    void emptyListStopsTheScheduler()
    {
        Rig r;
        r.s.StartDownloads();
        QVERIFY(r.s.isRunning());
        r.tick();
        QVERIFY(!r.s.isRunning());
    }

    void stopRule_data()
    {
        QTest::addColumn<int>("failed");
        QTest::addColumn<int>("pageState"); // 0: no web-page row
        QTest::addColumn<bool>("stops");
        QTest::newRow("four failed") << 4 << 0 << false;
        QTest::newRow("four failed and a downloaded page") << 4 << int(ItemState::Done) << true;
        QTest::newRow("four failed and a waiting page") << 4 << int(ItemState::Waiting) << true;
        QTest::newRow("five failed") << 5 << 0 << true;
        QTest::newRow("three failed and a waiting page") << 3 << int(ItemState::Waiting) << false;
    }
    void stopRule()
    {
        QFETCH(int, failed);
        QFETCH(int, pageState);
        QFETCH(bool, stops);
        Rig r;
        r.s.setStopRule(true);
        r.s.setSoundEnabled(true);
        for (int i = 0; i < failed; ++i)
            r.add(ItemState::Failed);
        if (pageState)
            r.add(ItemState(pageState), QStringLiteral("htm"));
        r.add(ItemState::Waiting); // the list is not finished
        r.s.StartDownloads();
        r.s.supervisionTick();
        QCOMPARE(r.s.isRunning(), !stops);
        QCOMPARE(r.soundCount(102), stops ? 1 : 0);
        // Without the check box nothing stops.
        r.s.setStopRule(false);
        r.s.StartDownloads();
        r.s.supervisionTick();
        QVERIFY(r.s.isRunning());
    }

    void finishedListSoundsOnce_data()
    {
        QTest::addColumn<bool>("autoReDownload");
        QTest::newRow("plain") << false;
        QTest::newRow("automatic re-download keeps re-enabling") << true;
    }
    void finishedListSoundsOnce()
    {
        QFETCH(bool, autoReDownload);
        ManualClock clock;
        Rig r;
        r.s.setThreads(3);
        r.s.setSoundEnabled(true);
        r.s.setAutoReDownload(autoReDownload);
        r.e2->autoFinish = true;
        r.add(4);
        QSignalSpy ticks(&r.s, &DownloadScheduler::supervised);
        r.s.StartDownloads();
        QVERIFY(clock.advanceUntil([&] { return r.soundCount(102) == 1; }, 1s, 20));
        QCOMPARE(r.s.list().count(ItemState::Done), 4);
        const int seen = ticks.count();
        QVERIFY(clock.advance(6s));
        QCOMPARE(ticks.count(), seen + 6);
        QCOMPARE(r.soundCount(102), 1);
        QCOMPARE(r.soundCount(103), 0);
    }

    void finishedWhileStoppedIsSilent()
    {
        Rig r;
        r.s.setSoundEnabled(true);
        r.s.setThreads(2);
        r.add(2);
        r.s.StartDownloads();
        r.tick();
        r.s.StopAllDownloads();
        QVERIFY(r.s.list().isFinished());
        r.s.supervisionTick();
        r.s.supervisionTick();
        QCOMPARE(r.soundCount(102), 0);
    }

    void autoStartWhenRowsWait()
    {
        ManualClock clock;
        Rig r;
        r.s.setAutoStart(true);
        r.e2->autoFinish = true;
        r.s.setThreads(2);
        QSignalSpy ticks(&r.s, &DownloadScheduler::supervised);
        QVERIFY(clock.advance(2s));
        QCOMPARE(ticks.count(), 2);
        QVERIFY(!r.s.isRunning());
        r.add(2);
        QVERIFY(clock.advanceUntil([&] { return r.s.list().count(ItemState::Done) == 2; }, 1s, 20));
    }

    // A failing row is queued again after the list has finished, and tried until it succeeds.
    void autoReDownloadUntilSuccess_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("engine 1") << 1;
        QTest::newRow("engine 2") << 2;
    }
    void autoReDownloadUntilSuccess()
    {
        QFETCH(int, mode);
        ManualClock clock;
        Rig r;
        r.s.setMode(mode);
        r.s.setThreads(2);
        r.s.setSoundEnabled(true);
        r.s.setAutoReDownload(true);
        r.s.setReDownloadRows(DownloadScheduler::ReDownload::Failed);
        for (FakeOutcome *o : {&r.e1->outcome, &r.e2->outcome})
            o->succeeds = [](const QString &address, int attempt) {
                return address.endsWith("/1") ? true : attempt >= 3;
            };
        r.e1->autoFinish = r.e2->autoFinish = true;
        r.add(2);
        r.s.StartDownloads();
        QVERIFY(clock.advanceUntil([&] { return r.s.list().count(ItemState::Done) == 2; }, 1s, 60));
        const FakeOutcome &o = mode == 1 ? r.e1->outcome : r.e2->outcome;
        QCOMPARE(o.attempts.value("http://h/0"), 3);
        QCOMPARE(o.attempts.value("http://h/1"), 1);
        QCOMPARE(r.soundCount(103), 2);
    }

    // The start command starts rows at once, not a tick later.
    void startCommandStartsRowsAtOnce()
    {
        ManualClock clock;
        Rig r;
        r.s.setThreads(2);
        r.add(3);
        QVERIFY(clock.advance(1ms)); // past the window's load, well short of a tick
        r.s.StartDownloads();
        QTRY_COMPARE(r.e2->started.size(), 2);
    }

    // Rows handed over while the scheduler runs take a free slot at once, not at the next tick; a stopped
    // scheduler leaves them waiting.
    void rowsAddedWhileRunningStartAtOnce()
    {
        ManualClock clock;
        Rig r;
        r.s.setThreads(2);
        r.add(1);
        QVERIFY(clock.advance(1ms)); // past the window's load, well short of a tick
        r.s.StartDownloads();
        QTRY_COMPARE(r.e2->started.size(), 1);
        r.add(2);
        QTRY_COMPARE(r.e2->started.size(), 2);
        QCOMPARE(r.state(2), ItemState::Waiting);

        r.s.StopAllDownloads();
        QSignalSpy changes(&r.s.list(), &QAbstractItemModel::dataChanged);
        r.add(1);
        QVERIFY(staysQuiet(changes));
        QCOMPARE(r.state(3), ItemState::Waiting);
    }

    // A transfer that ends fills its slot without waiting for the next tick; a set pause still holds it back
    // until more than the pause has passed.
    void transferEndStartsTheNextRow_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("pause");
        QTest::newRow("engine 1") << 1 << 0;
        QTest::newRow("engine 2") << 2 << 0;
        QTest::newRow("engine 1 with a pause") << 1 << 5;
        QTest::newRow("engine 2 with a pause") << 2 << 5;
    }
    void transferEndStartsTheNextRow()
    {
        QFETCH(int, mode);
        QFETCH(int, pause);
        ManualClock clock;
        Rig r;
        r.s.setMode(mode);
        r.s.setThreads(2);
        r.s.setPauseSeconds(pause);
        r.add(4);
        const auto startedCount = [&] { return mode == 1 ? r.e1->started.size() : r.e2->started.size(); };
        r.s.StartDownloads();
        QVERIFY(clock.advance(std::chrono::seconds(pause + 1)));
        const qsizetype first = startedCount();
        QCOMPARE(first, mode == 1 ? 1 : 2);

        QSignalSpy changes(&r.s.list(), &QAbstractItemModel::dataChanged);
        if (mode == 1)
            r.e1->finish();
        else
            r.e2->finish(1, true);
        QCOMPARE(r.state(0), ItemState::Done);
        changes.clear();
        if (pause == 0) {
            QTRY_COMPARE(startedCount(), first + 1);
        } else {
            QVERIFY(staysQuiet(changes));
            QVERIFY(clock.advance(std::chrono::seconds(pause)));
            QCOMPARE(startedCount(), first);
            QVERIFY(clock.advance(1ms));
            QCOMPARE(startedCount(), first + 1);
        }
        QCOMPARE(r.state(first), ItemState::Downloading);
    }

    // The stop rule is the supervision tick's; a failure that completes it starts nothing before the tick.
    void transferEndLeavesTheStopRuleItsTick()
    {
        ManualClock clock;
        Rig r;
        r.s.setStopRule(true);
        r.s.setThreads(1);
        for (int i = 0; i < 4; ++i)
            r.add(ItemState::Failed);
        r.add(2);
        r.s.StartDownloads();
        QVERIFY(clock.advance(1s));
        QCOMPARE(r.e2->started.size(), 1);
        QSignalSpy changes(&r.s.list(), &QAbstractItemModel::dataChanged);
        r.e2->finish(1, false);
        changes.clear();
        QVERIFY(staysQuiet(changes));
        QCOMPARE(r.e2->started.size(), 1);
        r.s.supervisionTick();
        QVERIFY(!r.s.isRunning());
    }

    void stopCommand()
    {
        Rig r;
        r.s.setThreads(3);
        r.s.setAutoStart(true);
        r.s.setAutoReDownload(true);
        r.add(4);
        QSignalSpy options(&r.s, &DownloadScheduler::optionsChanged);
        r.s.StartDownloads();
        r.tick();
        QCOMPARE(r.e2->loadedCount(), 3);
        r.s.StopAllDownloads();
        QCOMPARE(options.count(), 1);
        QVERIFY(!r.s.autoStart());
        QVERIFY(!r.s.autoReDownload());
        QVERIFY(!r.s.isRunning());
        QVERIFY(!r.s.busyFlag());
        QCOMPARE(r.e2->loadedCount(), 0);
        QCOMPARE(r.e2->unloaded, (QList<int>{1, 2, 3}));
        for (int row = 0; row < 3; ++row)
            QCOMPARE(r.state(row), ItemState::Failed);
        QCOMPARE(r.state(3), ItemState::Waiting);
        // Automatic start and re-download were unchecked: the scheduler stays stopped.
        r.s.supervisionTick();
        r.s.supervisionTick();
        QVERIFY(!r.s.isRunning());
    }

    void stopCancelsTheEngine1Transfer()
    {
        Rig r;
        r.s.setMode(1);
        r.add(2);
        r.s.StartDownloads();
        r.tick();
        QCOMPARE(r.e1->started, QList<int>{0});
        r.s.StopAllDownloads();
        QVERIFY(r.e1->cancels >= 2);
        r.e1->finish(); // the transfer notices the cleared flag
        QCOMPARE(r.state(0), ItemState::Failed);
        QCOMPARE(r.s.list().item(0).percent, QStringLiteral("下载取消"));
        QCOMPARE(r.state(1), ItemState::Waiting);
    }

    void cancelSelected()
    {
        Rig r;
        r.add(ItemState::Waiting);
        r.add(ItemState::Done);
        r.add(ItemState::Waiting);
        r.s.setBusyFlag(true);
        QVERIFY(!r.s.cancelRows({0, 1, 2}));
        QCOMPARE(r.prompt.texts(), QStringList{DownloadTexts::kStopBeforeSetting});
        QCOMPARE(r.prompt.entries.at(0).icon, Prompt::Icon::Critical);
        QCOMPARE(r.state(0), ItemState::Waiting);
        r.s.setBusyFlag(false);
        QVERIFY(r.s.cancelRows({0, 1}));
        QCOMPARE(r.state(0), ItemState::Failed);
        QCOMPARE(r.state(1), ItemState::Done);
        QCOMPARE(r.state(2), ItemState::Waiting);
    }

    void supervisionKeepsFlagsAndIndicators()
    {
        Rig r;
        r.s.setThreads(2);
        r.add(3);
        r.s.StartDownloads();
        r.tick();
        r.s.setBusyFlag(false);
        r.s.supervisionTick();
        QVERIFY(r.s.busyFlag());      // a slot is loaded
        QVERIFY(!r.s.startEnabled()); // running, not finished
        QVERIFY(r.s.runningShown());
        QCOMPARE(r.s.statisticsText(), QStringLiteral("总数:3 正在下载:2 等待:1 已完成:0 失败:0"));
        r.s.StopAllDownloads();
        r.s.setBusyFlag(true);
        r.s.supervisionTick();
        QVERIFY(!r.s.busyFlag()); // stopped
        QVERIFY(r.s.startEnabled());
        QVERIFY(!r.s.runningShown());
        QCOMPARE(r.s.statisticsText(), QStringLiteral("总数:3 正在下载:0 等待:1 已完成:0 失败:2"));
    }

    void switchEngine()
    {
        Rig r;
        r.s.setMode(2);
        r.s.setThreads(4);
        r.s.switchEngine();
        QCOMPARE(r.s.mode(), 1);
        QCOMPARE(r.s.threads(), 1);
        QCOMPARE(r.s.modeLabelText(), QStringLiteral("下载方式：1"));
        r.s.setMode(7);
        r.s.switchEngine();
        QCOMPARE(r.s.mode(), 2);
        QCOMPARE(r.s.modeLabelText(), QStringLiteral("下载方式：2"));
    }

    void closeQuestion_data()
    {
        QTest::addColumn<QList<int>>("states");
        QTest::addColumn<bool>("slotLoaded");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("engine1Executing");
        QTest::addColumn<bool>("asks");
        const int D = int(ItemState::Done), F = int(ItemState::Failed), W = int(ItemState::Waiting);
        QTest::newRow("done and failed, idle") << QList<int>{D, F} << false << false << false << false;
        QTest::newRow("empty list, idle") << QList<int>{} << false << false << false << false;
        QTest::newRow("one waiting row, idle") << QList<int>{D, W} << false << false << false << true;
        QTest::newRow("scheduler running") << QList<int>{D} << false << true << false << true;
        QTest::newRow("slot loaded") << QList<int>{D} << true << false << false << true;
        QTest::newRow("engine 1 executing") << QList<int>{D} << false << false << true << true;
    }
    void closeQuestion()
    {
        QFETCH(QList<int>, states);
        QFETCH(bool, slotLoaded);
        QFETCH(bool, running);
        QFETCH(bool, engine1Executing);
        QFETCH(bool, asks);
        Rig r;
        r.add(1);
        if (slotLoaded)
            r.e2->多线程下载(3, 0, "http://h/0", r.folder() + "r0.pdf");
        if (engine1Executing)
            r.e1->Inet下载当前文件(0);
        r.s.list().clear();
        for (int s : states)
            r.add(ItemState(s));
        if (running)
            r.s.StartDownloads();
        QCOMPARE(r.s.closeNeedsQuestion(), asks);
    }

    void loadsAndStoresItsSettings_data()
    {
        QTest::addColumn<int>("mode"); // -1: never written
        QTest::addColumn<int>("threadPosition");
        QTest::addColumn<QString>("sameName");
        QTest::addColumn<int>("threads");
        QTest::addColumn<QString>("choice");
        QTest::newRow("position 5 shows 6") << 2 << 5 << "覆盖" << 6 << "覆盖";
        QTest::newRow("defaults") << -1 << -1 << "" << 3 << "重命名";
        QTest::newRow("mode 1 shows 1") << 1 << 5 << " 跳过 " << 1 << "跳过";
        QTest::newRow("position outside the box") << 2 << 9 << "bogus" << 1 << "重命名";
    }
    void loadsAndStoresItsSettings()
    {
        QFETCH(int, mode);
        QFETCH(int, threadPosition);
        QFETCH(QString, sameName);
        QFETCH(int, threads);
        QFETCH(QString, choice);
        TestHome home;
        if (mode >= 0)
            SettingKeys::下载方式.write(mode);
        if (threadPosition >= 0)
            SettingKeys::线程.write(threadPosition);
        if (!sameName.isEmpty())
            SettingKeys::重复文件名设置.write(sameName);
        SettingKeys::文件最大值.write(25.0);
        SettingKeys::代理服务器有效.write(true);
        SettingKeys::代理服务器端口.write(QStringLiteral("3128"));
        {
            DownloadScheduler s;
            QCOMPARE(s.threads(), threads);
            QCOMPARE(s.sameNameChoice(), choice);
            QCOMPARE(s.settings().maxFileSizeMb, 25.0);
            QVERIFY(s.settings().proxyEnabled);
            QCOMPARE(s.settings().proxyPort, QStringLiteral("3128"));
            s.switchEngine();
            s.setSameNameChoice(QStringLiteral("跳过"));
            s.storeChoices();
            s.shutdown();
            QCOMPARE(SettingKeys::线程.read(), s.threads() - 1);
            QCOMPARE(SettingKeys::下载方式.read(), s.mode());
        }
        QCOMPARE(SettingKeys::重复文件名设置.read(), QStringLiteral("跳过"));
    }
};

QTEST_GUILESS_MAIN(TestScheduler)
#include "test_scheduler.moc"
