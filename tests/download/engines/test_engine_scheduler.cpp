// Both engines installed in the real scheduler, downloading from the fixture server.
#include "EngineTestFixture.h"
#include "core/download/DownloadScheduler.h"
#include "core/download/engines/InstallEngines.h"
#include "support/FixtureHttpServer.h"
#include "support/FolderFiles.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Response = FixtureHttpServer::Response;

namespace {
Response pdf(const QByteArray &text)
{
    return Response::text("%PDF-" + text, "application/pdf");
}

// Sends a little, then nothing: the row stays in its slot until the test stops it.
Response stalling()
{
    Response r = Response::text("%PDF-" + QByteArray(100000, 's'), "application/pdf");
    r.stallAfterBodyBytes = 1000;
    return r;
}

} // namespace

class TestEngineScheduler : public QObject, protected EngineTestFixture
{
    Q_OBJECT

    void addRow(DownloadScheduler &s, const QString &address, const QString &name)
    {
        DownloadItem item;
        item.address = address;
        item.name = name;
        item.type = QStringLiteral("pdf");
        item.folder = m_dir->path();
        s.list().append(item);
    }

    // The scheduler's one-second ticks, while the transfers run on real time.
    template <typename Done> static bool ticksUntil(Done done)
    {
        return ManualClock::advanceUntil(done, DownloadScheduler::kTickInterval, 200);
    }

    // Slot -> row of every loaded slot.
    static QMap<int, int> loadedSlots(DownloadScheduler &s)
    {
        QMap<int, int> loaded;
        for (int slot = 1; slot <= kMaxSlots; ++slot)
            if (s.engine2()->slotLoaded(slot))
                loaded[slot] = s.slotRow(slot);
        return loaded;
    }

private Q_SLOTS:
    void init() { setUpFixture(); }
    void cleanup() { tearDownFixture(); }

    // Three slots and five rows: the first tick starts rows 1 to 3; when row 2 is done its slot takes row 4, then
    // row 5. The stop command ends the two rows still running and leaves no file of theirs.
    void threeSlotsFiveRows()
    {
        FixtureHttpServer server;
        server.route(QStringLiteral("/r0"), stalling());
        server.route(QStringLiteral("/r1"), pdf("one"));
        server.route(QStringLiteral("/r2"), stalling());
        server.route(QStringLiteral("/r3"), pdf("three"));
        server.route(QStringLiteral("/r4"), pdf("four"));

        DownloadScheduler s;
        InstallEngines(s);
        s.setMode(2);
        s.setThreads(3);
        s.setPauseSeconds(0);
        s.setSameNameChoice(QStringLiteral("重命名"));
        for (int i = 0; i < 5; ++i)
            addRow(s, server.urlText(QStringLiteral("/r%1").arg(i)), QStringLiteral("row%1").arg(i));

        QList<QMap<int, int>> afterTicks;
        connect(&s, &DownloadScheduler::schedulerTicked, this, [&] { afterTicks.append(loadedSlots(s)); });
        // A freed slot takes its next row as soon as its transfer ends, often well before the next tick.
        QList<QMap<int, int>> whileRunning;
        connect(&s.list(), &QAbstractItemModel::dataChanged, this, [&] { whileRunning.append(loadedSlots(s)); });
        s.StartDownloads();
        // Well short of the stall limit, so the stalling rows are still running at the end.
        QVERIFY(ticksUntil([&] { return s.list().item(4).state == ItemState::Done; }));

        // The first tick that started anything started three rows at once.
        const auto first = std::find_if(afterTicks.begin(), afterTicks.end(), [](auto &m) { return !m.isEmpty(); });
        QVERIFY(first != afterTicks.end());
        QCOMPARE(*first, (QMap<int, int>{{1, 0}, {2, 1}, {3, 2}}));
        QVERIFY(whileRunning.contains(QMap<int, int>{{1, 0}, {2, 3}, {3, 2}}));
        QVERIFY(whileRunning.contains(QMap<int, int>{{1, 0}, {2, 4}, {3, 2}}));
        QCOMPARE(s.list().item(0).state, ItemState::Downloading);
        QCOMPARE(s.list().item(2).state, ItemState::Downloading);
        QVERIFY(s.busyFlag());

        s.StopAllDownloads();
        QCOMPARE(s.list().item(0).state, ItemState::Failed);
        QCOMPARE(s.list().item(2).state, ItemState::Failed);
        QCOMPARE(loadedSlots(s), (QMap<int, int>{}));
        QCOMPARE(filesIn(m_dir->path()), (QStringList{"row1.pdf", "row3.pdf", "row4.pdf"}));
        QCOMPARE(readFile(m_dir->filePath(QStringLiteral("row3.pdf"))), QByteArray("%PDF-three"));
        server.closeAllConnections();
    }

    // Engine 1 takes the rows strictly one after another, from the top.
    void engine1OneAfterAnother()
    {
        FixtureHttpServer server;
        for (int i = 0; i < 3; ++i)
            server.route(QStringLiteral("/e%1").arg(i), pdf(QByteArray::number(i)));
        DownloadScheduler s;
        InstallEngines(s);
        s.setMode(1);
        s.setPauseSeconds(0);
        for (int i = 0; i < 3; ++i)
            addRow(s, server.urlText(QStringLiteral("/e%1").arg(i)), QStringLiteral("e%1").arg(i));
        int mostAtOnce = 0;
        connect(&s.list(), &QAbstractItemModel::dataChanged, this,
                [&] { mostAtOnce = std::max(mostAtOnce, s.list().count(ItemState::Downloading)); });
        s.StartDownloads();
        QVERIFY(ticksUntil([&] { return s.list().count(ItemState::Done) == 3; }));
        QCOMPARE(mostAtOnce, 1);
        const auto requests = server.requests();
        QCOMPARE(requests.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(requests.at(i).path, QStringLiteral("/e%1").arg(i).toUtf8());
        QCOMPARE(filesIn(m_dir->path()), (QStringList{"e0.pdf", "e1.pdf", "e2.pdf"}));
    }

    // The scheduler applies the same-name rule before engine 2 starts.
    void sameNameBeforeEngine2_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<int>("requests");
        QTest::newRow("rename") << "重命名"
                                << "report[002]"
                                << "100%" << 1;
        QTest::newRow("skip") << "跳过"
                              << "report"
                              << "已存在，跳过" << 0;
    }
    void sameNameBeforeEngine2()
    {
        QFETCH(QString, option);
        QFETCH(QString, name);
        QFETCH(QString, percent);
        QFETCH(int, requests);
        for (const char *existing : {"report.pdf", "report[001].pdf"}) {
            QFile f(m_dir->filePath(QString::fromLatin1(existing)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("%PDF-old");
        }
        FixtureHttpServer server;
        server.route(QStringLiteral("/report"), pdf("new"));
        DownloadScheduler s;
        InstallEngines(s);
        s.setMode(2);
        s.setThreads(2);
        s.setPauseSeconds(0);
        s.setSameNameChoice(option);
        addRow(s, server.urlText(QStringLiteral("/report")), QStringLiteral("report"));
        s.StartDownloads();
        QVERIFY(ticksUntil([&] { return s.list().item(0).state == ItemState::Done; }));
        QCOMPARE(s.list().item(0).name, name);
        QCOMPARE(s.list().item(0).percent, percent);
        QCOMPARE(server.requests().size(), requests);
        QCOMPARE(readFile(m_dir->filePath(QStringLiteral("report.pdf"))), QByteArray("%PDF-old"));
        if (requests)
            QCOMPARE(readFile(m_dir->filePath(name + QStringLiteral(".pdf"))), QByteArray("%PDF-new"));
    }

    // Either engine asks again after a 429 or 503: after the server's delay, else after 5, 20 and 60 s, at most
    // three times. The scheduler counts the retries; a refusal that outlasts them fails the row and is never saved
    // as the document.
    void backOffBeforeAskingAgain_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("retryAfter"); // null: none
        QTest::addColumn<int>("refusals");          // answers before the file comes
        QTest::addColumn<QList<int>>("waits");      // seconds before each retry
        QTest::newRow("engine 1, 429, then the file") << 1 << 429 << QByteArray() << 1 << QList<int>{5};
        QTest::newRow("engine 1, 503 naming seconds, outlasting the retries")
            << 1 << 503 << QByteArray("2") << 4 << QList<int>{2, 2, 2};
        QTest::newRow("engine 2, 429, then the file") << 2 << 429 << QByteArray() << 2 << QList<int>{5, 20};
        QTest::newRow("engine 2, 503, outlasting the retries")
            << 2 << 503 << QByteArray() << 4 << QList<int>{5, 20, 60};
    }
    void backOffBeforeAskingAgain()
    {
        QFETCH(int, engine);
        QFETCH(int, status);
        QFETCH(QByteArray, retryAfter);
        QFETCH(int, refusals);
        QFETCH(QList<int>, waits);
        const QString path = QStringLiteral("/busy");
        FixtureHttpServer server;
        Response refusal = Response::withStatus(status, "<html><body>slow down</body></html>");
        if (!retryAfter.isNull())
            refusal.withHeader("Retry-After", retryAfter);
        server.route(path, refusal);
        // Looked up after the signal, so the switch serves the request that brought it.
        connect(&server, &FixtureHttpServer::requestReceived, this, [&] {
            if (server.requestsFor(path).size() > refusals)
                server.route(path, pdf("file"));
        });
        DownloadScheduler s;
        InstallEngines(s);
        s.setMode(engine);
        s.setPauseSeconds(0);
        addRow(s, server.urlText(path), QStringLiteral("busy"));
        QSignalSpy requests(&server, &FixtureHttpServer::requestReceived);
        s.StartDownloads();
        QVERIFY(ticksUntil([&] { return !requests.isEmpty(); }));
        for (int i = 0; i < waits.size(); ++i) {
            QTRY_COMPARE(s.retries(), i + 1);
            requests.clear();
            QVERIFY(m_clock->advance(std::chrono::seconds(waits.at(i)) - std::chrono::milliseconds(1)));
            QVERIFY(staysQuiet(requests));
            QVERIFY(m_clock->advance(std::chrono::milliseconds(1)));
            QVERIFY(caught(requests));
        }
        const bool served = refusals <= waits.size();
        QVERIFY(ticksUntil(
            [&] { return s.list().item(0).state == (served ? ItemState::Done : ItemState::Failed) && !s.busyFlag(); }));
        QCOMPARE(server.requestsFor(path).size(), int(waits.size()) + 1);
        QCOMPARE(s.retries(), int(waits.size()));
        QCOMPARE(filesIn(m_dir->path()), served ? QStringList{QStringLiteral("busy.pdf")} : QStringList{});
        if (served)
            QCOMPARE(readFile(m_dir->filePath(QStringLiteral("busy.pdf"))), QByteArray("%PDF-file"));
        else
            QCOMPARE(s.list().item(0).percent, QStringLiteral("HTTP %1").arg(status));
    }

    // The stop command ends a back-off at once: the row fails, nothing is asked again and no file stays.
    void stopDuringTheBackOff_data()
    {
        QTest::addColumn<int>("engine");
        QTest::newRow("engine 1") << 1;
        QTest::newRow("engine 2") << 2;
    }
    void stopDuringTheBackOff()
    {
        QFETCH(int, engine);
        FixtureHttpServer server;
        server.route(QStringLiteral("/busy"),
                     Response::withStatus(429, "<html><body>slow down</body></html>").withHeader("Retry-After", "120"));
        DownloadScheduler s;
        InstallEngines(s);
        s.setMode(engine);
        s.setPauseSeconds(0);
        addRow(s, server.urlText(QStringLiteral("/busy")), QStringLiteral("busy"));
        s.StartDownloads();
        QVERIFY(ticksUntil([&] { return s.retries() == 1; }));
        s.StopAllDownloads();
        QCOMPARE(s.list().item(0).state, ItemState::Failed);
        // Ended without the clock moving: the wait did not run out, it was ended.
        QTRY_VERIFY(!s.engine1()->stillExecuting() && !s.engine2()->slotLoaded(1));
        QVERIFY(m_clock->advance(std::chrono::seconds(130)));
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(s.list().item(0).state, ItemState::Failed);
        QCOMPARE(filesIn(m_dir->path()), QStringList{});
    }
};

QTEST_GUILESS_MAIN(TestEngineScheduler)
#include "test_engine_scheduler.moc"
