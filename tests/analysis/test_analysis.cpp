#include "AnalysisBench.h"

#include "core/analysis/AnalysisTexts.h"
#include "core/analysis/InetPool.h"
#include "core/net/FetchPageText.h"
#include "core/net/TransferControl.h"
#include "core/util/Clock.h"
#include "core/util/DocumentFileName.h"
#include "core/util/FileNameRules.h"

#include <QFile>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>
#include <algorithm>

namespace {
const QString kDoc = QStringLiteral("doc:");

// A page long enough to be looked at, with the given free-download sources (PDF-marked).
QByteArray documentPage(const QStringList &pdfLinks)
{
    QByteArray page = "<html><head><meta charset=\"utf-8\"/><title>文献</title></head><body><div class=\"abstract\">"
                      "这是一篇用于测试的文献页面，页面文字足够长，可以被分析。</div>";
    for (const QString &link : pdfLinks)
        page += "<div class=\"dl_item_wrap\"><a class=\"dl_item\" href=\"" + link.toUtf8() +
                "\" target=\"_blank\"><i class=\"c-icon-pdf\"></i>来源</a>(全网免费下载)</div>";
    return page + "</body></html>";
}
} // namespace

class TestAnalysis : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // One row through 分析链接提取pdf链接: its final status and type, the download entry it handed over, whether
    // its page was fetched and whether its address was recorded as visited.
    void rowStatus_data()
    {
        QTest::addColumn<QString>("key"); // "doc:<id>" for a document page of the fixture site, else a path
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("rowType");
        QTest::addColumn<QString>("options"); // letters: 1 = Check1, 3 = Check3, v = visited before, f = file exists,
                                              // a = name from address
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("typeAfter");
        QTest::addColumn<QString>("entryPath"); // download entry's address path; empty: none
        QTest::addColumn<QString>("entryName");
        QTest::addColumn<QString>("entryType");
        QTest::addColumn<bool>("fetched");
        QTest::addColumn<bool>("recorded");

        // clang-format off
        QTest::newRow("link handed over") << "doc:d101" << "深度学习综述" << "htm" << "" << "成功" << "pdf"
                                          << "/files/d101.pdf" << "深度学习综述" << "pdf" << true << true;
        QTest::newRow("name from address") << "doc:d101" << "深度学习综述" << "htm" << "a" << "成功" << "pdf"
                                           << "/files/d101.pdf" << "d101" << "pdf" << true << true;
        QTest::newRow("first source of another type") << "doc:d104" << "循环神经网络" << "htm" << "" << "成功" << "doc"
                                                      << "/files/d104.doc" << "循环神经网络" << "doc" << true << true;
        QTest::newRow("title cleaned into the name") << "doc:d103" << "a/b:c*?" << "htm" << "" << "成功" << "pdf"
                                                     << "/files/d103.pdf" << "abc" << "pdf" << true << true;
        QTest::newRow("same source twice") << "doc:d105" << "长短期记忆网络" << "htm" << "" << "成功" << "pdf"
                                           << "/files/d105.pdf" << "长短期记忆网络" << "pdf" << true << true;
        QTest::newRow("markup in apostrophes") << "doc:d106" << "注意力机制" << "htm" << "" << "成功" << "pdf"
                                               << "/files/d106.pdf" << "注意力机制" << "pdf" << true << true;
        QTest::newRow("no free link") << "doc:d102" << "基于深度学习的图像识别" << "htm" << "" << "无pdf" << ""
                                      << "" << "" << "" << true << true;
        QTest::newRow("short page") << "/short" << "短页面" << "htm" << "" << "失败(下载)" << "" << "" << ""
                                    << "" << true << false;
        QTest::newRow("missing page") << "/usercenter/paper/show?paperid=nothing" << "不存在" << "htm" << ""
                                      << "失败(下载)" << "" << "" << "" << "" << true << false;
        QTest::newRow("direct pdf row") << "/files/d101.pdf" << "直接文件" << "PDF" << "" << "成功" << "PDF"
                                        << "/files/d101.pdf" << "直接文件" << "pdf" << false << false;
        QTest::newRow("title cleans to nothing: the address names it") << "doc:d101" << " /?*:| " << "htm" << "1"
                                                                       << "成功" << "pdf" << "/files/d101.pdf" << "d101"
                                                                       << "pdf" << true << true;
        QTest::newRow("visited, Check3") << "doc:d101" << "深度学习综述" << "htm" << "3v" << "跳过(曾经下载)"
                                         << "htm" << "" << "" << "" << false << true;
        QTest::newRow("visited, no Check3") << "doc:d101" << "深度学习综述" << "htm" << "v" << "成功" << "pdf"
                                            << "/files/d101.pdf" << "深度学习综述" << "pdf" << true << true;
        QTest::newRow("file exists, Check1, page row") << "doc:d101" << "深度学习综述" << "htm" << "1f"
                                                       << "跳过(文件存在)" << "htm" << "" << "" << "" << false << false;
        QTest::newRow("file exists, Check1, title ending in a question mark")
            << "doc:d101" << "深度学习综述 ?" << "htm" << "1f" << "跳过(文件存在)" << "htm" << "" << "" << "" << false << false;
        QTest::newRow("file exists, no Check1") << "doc:d101" << "深度学习综述" << "htm" << "f" << "成功" << "pdf"
                                                << "/files/d101.pdf" << "深度学习综述" << "pdf" << true << true;
        QTest::newRow("Check1 without the file") << "doc:d101" << "深度学习综述" << "htm" << "1" << "成功" << "pdf"
                                                 << "/files/d101.pdf" << "深度学习综述" << "pdf" << true << true;
        // clang-format on
    }
    void rowStatus()
    {
        QFETCH(QString, key);
        QFETCH(QString, title);
        QFETCH(QString, rowType);
        QFETCH(QString, options);
        QFETCH(QString, status);
        QFETCH(QString, typeAfter);
        QFETCH(QString, entryPath);
        QFETCH(QString, entryName);
        QFETCH(QString, entryType);
        QFETCH(bool, fetched);
        QFETCH(bool, recorded);

        AnalysisBench bench;
        bench.server.route(QStringLiteral("/short"), FixtureHttpServer::Response::html(QByteArray(50, 'x')));
        const QString address =
            key.startsWith(kDoc) ? bench.site.resultLink(key.mid(kDoc.size())) : bench.server.urlText(key);
        bench.view.check1 = options.contains(u'1');
        bench.view.check3 = options.contains(u'3');
        bench.view.nameFromAddress = options.contains(u'a');
        if (options.contains(u'v')) {
            QString a = address;
            QVERIFY(RecordVisitedAddress(a));
        }
        if (options.contains(u'f')) {
            // Named as the download names it.
            QFile file(bench.folderWithSeparator() + DocumentBaseName(title) + QStringLiteral(".pdf"));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        bench.addRow(address, title, rowType);

        QVERIFY(bench.runToEnd(AnalysisSet::All));
        QCOMPARE(bench.rows.row(0).status, status);
        QCOMPARE(bench.rows.row(0).type, typeAfter);
        if (entryPath.isEmpty()) {
            QCOMPARE(bench.view.downloads.size(), 0);
        } else {
            QCOMPARE(bench.view.downloads.size(), 1);
            const DownloadItem &item = bench.view.downloads.item(0);
            QCOMPARE(item.address, bench.server.urlText(entryPath));
            QCOMPARE(item.name, entryName);
            QCOMPARE(item.type, entryType);
            QCOMPARE(item.folder, bench.folderWithSeparator());
            QCOMPARE(item.referrer, QString());
            QCOMPARE(item.state, ItemState::Waiting);
        }
        const QString pathOnly = QUrl(address).path();
        QCOMPARE(!bench.server.requestsFor(pathOnly).isEmpty(), fetched);
        if (fetched) // the page is asked for with the result page as its referrer
            QCOMPARE(bench.server.requestsFor(pathOnly).first().header("Referer"),
                     (bench.site.base() + QStringLiteral("/s?wd=x")).toUtf8());
        // Every fetch, whatever came of it, is followed by the pause; nothing else is.
        QCOMPARE(bench.pacing.delayReads, fetched ? 1 : 0);
        QString lookup = address;
        QCOMPARE(IsVisitedAddress(lookup), recorded);
        QVERIFY(bench.prompt.entries.isEmpty());
        // No transfer object outlives its row.
        QCOMPARE(bench.driver.pool().loadedCount(), 0);
    }

    void sameLinkFromTwoRowsGivesOneDownload()
    {
        AnalysisBench bench;
        const QString link = bench.server.urlText(QStringLiteral("/files/d105.pdf"));
        bench.server.route(QStringLiteral("/a"), FixtureHttpServer::Response::html(documentPage({link})));
        bench.server.route(QStringLiteral("/b"), FixtureHttpServer::Response::html(documentPage({link})));
        bench.addRow(bench.server.urlText(QStringLiteral("/a")), QStringLiteral("第一篇"));
        bench.addRow(bench.server.urlText(QStringLiteral("/b")), QStringLiteral("第二篇"));
        QVERIFY(bench.runToEnd(AnalysisSet::All));
        QCOMPARE(bench.statuses(), (QStringList{"成功", "成功"}));
        QCOMPARE(bench.view.downloads.size(), 1);
        QCOMPARE(bench.view.downloads.item(0).name, QStringLiteral("第一篇"));
    }

    // Which rows each command looks at, and how a run shows itself.
    void runSets_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QList<int>>("analysed");
        // clang-format off
        // Rows: unanalysed, 失败, 失败(下载), 无pdf, 成功 (selected: 1 and 3). Every analysed page fails (404).
        QTest::newRow("unanalysed") << int(AnalysisSet::Unanalysed)
                                    << QStringList{"失败(下载)", "失败", "失败(下载)", "无pdf", "成功"}
                                    << QList<int>{0};
        QTest::newRow("failed") << int(AnalysisSet::Failed)
                                << QStringList{"", "失败(下载)", "失败(下载)", "无pdf", "成功"} << QList<int>{1, 2};
        QTest::newRow("selected") << int(AnalysisSet::Selected)
                                  << QStringList{"", "失败(下载)", "失败(下载)", "失败(下载)", "成功"}
                                  << QList<int>{1, 3};
        QTest::newRow("all") << int(AnalysisSet::All) << QStringList(5, "失败(下载)") << QList<int>{0, 1, 2, 3, 4};
        // clang-format on
    }
    void runSets()
    {
        QFETCH(int, set);
        QFETCH(QStringList, expected);
        QFETCH(QList<int>, analysed);
        AnalysisBench bench;
        const QStringList before{"", "失败", "失败(下载)", "无pdf", "成功"};
        for (int i = 0; i < before.size(); ++i)
            bench.addRow(bench.server.urlText(QStringLiteral("/gone%1").arg(i)), QStringLiteral("标题%1").arg(i),
                         QStringLiteral("htm"), before.at(i));
        bench.view.selected = {1, 3};
        bench.view.check7 = true;

        QSignalSpy idle(&bench.flags, &RunFlags::analysisIdleChanged);
        QVERIFY(bench.runToEnd(AnalysisSet(set)));
        QCOMPARE(bench.statuses(), expected);
        QCOMPARE(idle.count(), 2);
        QCOMPARE(idle.at(0).at(0).toBool(), false);
        QVERIFY(bench.flags.AnalysisIdle());
        QCOMPARE(bench.view.running, (QList<bool>{true, false}));
        QCOMPARE(bench.view.progressMaximum, 6);
        QCOMPARE(bench.view.progressValues, (QList<int>{0, 1, 2, 3, 4, 5}));
        QCOMPARE(bench.view.downloadWindowShown, QList<bool>{false});
        // Check7 keeps each analysed row in sight.
        QCOMPARE(bench.view.scrolledTo, analysed);
        QVERIFY(bench.prompt.entries.isEmpty());
    }

    void secondRunIsRefusedAndAutomaticAnalysisWaits()
    {
        AnalysisBench bench;
        bench.pacing.delay = QStringLiteral("100");
        bench.addRow(bench.site.resultLink(QStringLiteral("d101")), QStringLiteral("深度学习综述"));
        bench.addRow(bench.site.resultLink(QStringLiteral("d102")), QStringLiteral("基于深度学习的图像识别"));
        QSignalSpy finished(&bench.driver, &AnalysisDriver::runFinished);
        QSignalSpy started(&bench.driver, &AnalysisDriver::runStarted);
        bench.driver.start(AnalysisSet::All);
        QCOMPARE(started.count(), 1);
        QVERIFY(!bench.flags.AnalysisIdle());

        // The timer does nothing while a run is active; a command says why it cannot start.
        bench.driver.autoAnalysisTick();
        QVERIFY(bench.prompt.entries.isEmpty());
        bench.driver.start(AnalysisSet::Failed);
        QCOMPARE(bench.prompt.texts(), QStringList{AnalysisTexts::kAnalysisRunning});
        QCOMPARE(bench.prompt.entries.first().icon, Prompt::Icon::Critical);
        QCOMPARE(started.count(), 1);

        bench.pacing.delay = QStringLiteral("0");
        Q_EMIT bench.pacing.changed();
        QVERIFY(finished.wait(30000));
        QCOMPARE(bench.statuses(), (QStringList{"成功", "无pdf"}));

        // Idle again: a tick analyses the rows that are still unanalysed, here a new one.
        bench.addRow(bench.site.resultLink(QStringLiteral("d104")), QStringLiteral("循环神经网络"));
        bench.driver.autoAnalysisTick();
        QVERIFY(finished.wait(30000));
        QCOMPARE(bench.statuses(), (QStringList{"成功", "无pdf", "成功"}));
        QCOMPARE(bench.server.requestsFor(QStringLiteral("/usercenter/paper/show")).size(), 3);
    }

    // "停止" during the pause after a fetch ends the pause at once; the row keeps its status and the run ends.
    void stopDuringThePauseAfterAFetch()
    {
        AnalysisBench bench;
        bench.pacing.delay = QStringLiteral("120");
        bench.addRow(bench.site.resultLink(QStringLiteral("d101")), QStringLiteral("深度学习综述"));
        bench.addRow(bench.site.resultLink(QStringLiteral("d102")), QStringLiteral("基于深度学习的图像识别"));
        QSignalSpy finished(&bench.driver, &AnalysisDriver::runFinished);
        bench.driver.start(AnalysisSet::All);
        // The first row's page has been read and handed over: the run now sits in its pause.
        QTRY_COMPARE_WITH_TIMEOUT(bench.rows.row(0).status, QStringLiteral("成功"), 20000);
        QVERIFY(bench.clock.advance(std::chrono::seconds(119)));
        QVERIFY(staysQuiet(finished));
        bench.driver.stop();
        // Until the stopped run has ended, a tick of the timer is refused as the menu command would be.
        bench.driver.autoAnalysisTick();
        QCOMPARE(bench.prompt.texts(), QStringList{AnalysisTexts::kAnalysisRunning});
        QVERIFY(finished.wait(20000));
        QCOMPARE(bench.statuses(), (QStringList{"成功", ""}));
        QCOMPARE(bench.view.downloads.size(), 1);
        QCOMPARE(bench.view.running, (QList<bool>{true, false}));
        QCOMPARE(bench.view.downloadWindowShown, QList<bool>{false});
        QVERIFY(bench.server.requestsFor(QStringLiteral("/usercenter/paper/show")).size() == 1);
    }

    // With Check3, what one run fetched is skipped by the next, across a restart of the program.
    void visitedDatabaseAcrossTwoRuns()
    {
        AnalysisBench bench;
        bench.view.check3 = true;
        const QStringList ids{"d101", "d102", "nothing"};
        for (const QString &id : ids)
            bench.addRow(bench.site.resultLink(id), id);
        QVERIFY(bench.runToEnd(AnalysisSet::All));
        QCOMPARE(bench.statuses(), (QStringList{"成功", "无pdf", "失败(下载)"}));
        QCOMPARE(bench.server.requests().size(), 3);
        // The document handed over was saved; one that never was would be analysed again.
        QCOMPARE(bench.view.downloads.size(), 1);
        bench.view.downloads.setState(0, ItemState::Done);

        CloseVisitedDatabase();
        QVERIFY(OpenVisitedDatabase());
        bench.server.clearRequests();
        bench.rows.clearAll();
        for (const QString &id : ids)
            bench.addRow(bench.site.resultLink(id), id);
        QVERIFY(bench.runToEnd(AnalysisSet::All));
        // A failed fetch is not recorded: that row is tried again.
        QCOMPARE(bench.statuses(), (QStringList{"跳过(曾经下载)", "跳过(曾经下载)", "失败(下载)"}));
        QCOMPARE(bench.server.requests().size(), 1);
    }

    // Pages that are no pages: each row fails, the run goes on to the next, and the window keeps running.
    void badPagesFailTheirRowOnly_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("huge") << 0;
        QTest::newRow("binary") << 1;
        QTest::newRow("unknown encoding") << 2;
        QTest::newRow("never answers") << 3;
        QTest::newRow("keeps trickling") << 4;
        QTest::newRow("stalls after the headers") << 5;
        QTest::newRow("closed short of its length") << 6;
        QTest::newRow("stalls short of its length") << 7;
    }
    void badPagesFailTheirRowOnly()
    {
        QFETCH(int, kind);
        AnalysisBench bench;
        FixtureHttpServer::Response bad;
        switch (kind) {
        case 0:
            bad = FixtureHttpServer::Response::html(documentPage({}) + QByteArray(kMaxPageBytes + 1, 'x'));
            bad.framing = FixtureHttpServer::Framing::Chunked;
            break;
        case 1: {
            QByteArray bytes(4096, '\0');
            for (int i = 0; i < bytes.size(); ++i)
                bytes[i] = char((i * 7919) % 256);
            bad = FixtureHttpServer::Response::text(bytes, "application/octet-stream");
            break;
        }
        case 2: {
            QStringEncoder utf16(QStringEncoder::Utf16LE);
            bad = FixtureHttpServer::Response::html(utf16.encode(QString::fromUtf8(documentPage({"/files/d101.pdf"}))),
                                                    "text/html; charset=x-mystery");
            break;
        }
        case 3:
            bad = FixtureHttpServer::Response::html(documentPage({}));
            bad.headerDelayMs = -1;
            break;
        case 4:
            bad = FixtureHttpServer::Response::html(documentPage({}) + QByteArray(200000, ' '));
            bad.bytesPerInterval = 16;
            bad.intervalMs = 5;
            break;
        case 5:
            bad = FixtureHttpServer::Response::html(documentPage({"/files/d101.pdf"}));
            bad.stallAfterBodyBytes = 0;
            break;
        case 6:
        case 7: {
            // 3 600 bytes announced, 3 100 sent: the part holds a whole free link, and would pass for the page.
            QByteArray page = documentPage({"/files/d101.pdf"});
            page += QByteArray(3600 - page.size(), ' ');
            bad = FixtureHttpServer::Response::html(page);
            (kind == 6 ? bad.closeAfterBodyBytes : bad.stallAfterBodyBytes) = 3100;
            break;
        }
        }
        bench.server.route(QStringLiteral("/bad"), bad);
        bench.addRow(bench.server.urlText(QStringLiteral("/bad")), QStringLiteral("坏页面"));
        bench.addRow(bench.site.resultLink(QStringLiteral("d101")), QStringLiteral("深度学习综述"));

        // Something posted to the event loop once the run has started is handled while the bad page is read.
        QSignalSpy started(&bench.driver, &AnalysisDriver::runStarted);
        QSignalSpy finished(&bench.driver, &AnalysisDriver::runFinished);
        bool handledDuringRun = false;
        connect(&bench.driver, &AnalysisDriver::runStarted, this,
                [&] { QTimer::singleShot(0, this, [&] { handledDuringRun = finished.isEmpty(); }); });
        bench.driver.start(AnalysisSet::All);
        // The limit that ends a page that does not come (the fetch's 60 s of silence, the row's 180 s) comes with
        // the clock; the good page after it is then read with the clock standing still.
        if (kind >= 3 && kind != 6)
            QVERIFY(bench.clock.advanceUntil([&] { return bench.rows.row(0).status == QStringLiteral("失败(下载)"); },
                                             std::chrono::seconds(10), 30));
        QVERIFY(caught(finished, 60000));
        QVERIFY(handledDuringRun);
        QCOMPARE(bench.statuses(), (QStringList{"失败(下载)", "成功"}));
        QCOMPARE(bench.rows.row(0).type, QString());
        QCOMPARE(bench.view.downloads.size(), 1);
        // Not visited: the next run tries the page again.
        QString badAddress = bench.rows.row(0).key;
        QVERIFY(!IsVisitedAddress(badAddress));
        QVERIFY(bench.prompt.entries.isEmpty());
        QCOMPARE(bench.driver.pool().loadedCount(), 0);
        QCOMPARE(QDir(bench.home.path()).entryList({"inetdown*"}, QDir::Files), QStringList());
        bench.server.closeAllConnections();
    }

    // A window closed while a stopped run finishes its row takes the driver and its pacing view with it; the run
    // ends quietly instead of touching what is gone.
    void driverGoneDuringARun_data()
    {
        QTest::addColumn<bool>("duringFetch");
        QTest::newRow("during the fetch") << true;
        QTest::newRow("during the pause") << false;
    }
    void driverGoneDuringARun()
    {
        QFETCH(bool, duringFetch);
        AnalysisBench bench;
        FixtureHttpServer::Response never = FixtureHttpServer::Response::html("x");
        never.headerDelayMs = -1;
        bench.server.route(QStringLiteral("/never"), never);
        bench.addRow(duringFetch ? bench.server.urlText(QStringLiteral("/never"))
                                 : bench.site.resultLink(QStringLiteral("d101")),
                     QStringLiteral("标题"));
        auto *pacing = new FakePacing(bench.flags);
        pacing->delay = QStringLiteral("100");
        auto *driver = new AnalysisDriver(bench.rows, bench.flags, bench.proxies, bench.view, *pacing);
        driver->start(AnalysisSet::All);
        if (duringFetch)
            QTRY_COMPARE(bench.server.requests().size(), 1);
        else
            QTRY_COMPARE(bench.rows.row(0).status, QStringLiteral("成功"));
        bench.flags.setAnalysisIdle(true); // "停止"
        delete driver;
        delete pacing;
        // Past the fetch's time-out and the pause: what was left of the run goes without a trace.
        QVERIFY(bench.clock.advance(std::chrono::seconds(200)));
        QCOMPARE(bench.rows.row(0).status, duringFetch ? QStringLiteral("正在分析下层") : QStringLiteral("成功"));
        QTRY_COMPARE(bench.server.openConnectionCount(), 0);
    }

    void poolHandsOutAndReleasesElements()
    {
        InetPool pool;
        QCOMPARE(pool.找出未使用Inet的Index(), 1);
        QCOMPARE(pool.找出未使用Inet的Index(), 2);
        QCOMPARE(pool.loadedCount(), 2);
        QVERIFY(&pool.element(2) != &pool.element(0));
        QVERIFY(&pool.element(7) == &pool.element(0)); // an index without an element falls back to element 0
        pool.卸载闲置Inet();
        QCOMPARE(pool.loadedCount(), 0);
        QCOMPARE(pool.找出未使用Inet的Index(), 1);

        // A busy element is cancelled by one sweep and released by the next.
        FixtureHttpServer server;
        FixtureHttpServer::Response never = FixtureHttpServer::Response::html("x");
        never.headerDelayMs = -1;
        server.route(QStringLiteral("/never"), never);
        QVERIFY(pool.element(1).execute(server.urlText(QStringLiteral("/never"))));
        QVERIFY(pool.element(1).stillExecuting());
        pool.卸载闲置Inet();
        QVERIFY(pool.isLoaded(1));
        QVERIFY(!pool.element(1).stillExecuting());
        pool.卸载闲置Inet();
        QVERIFY(!pool.isLoaded(1));
        for (int i = 1; i <= InetPool::kMaxIndex; ++i)
            QCOMPARE(pool.找出未使用Inet的Index(), i);
        QCOMPARE(pool.找出未使用Inet的Index(), 0);
    }

    // Each row's fetch has an element of its own, but one fetch after another goes over the same connection.
    void poolElementsShareTheirConnection()
    {
        FixtureHttpServer server;
        server.route(QStringLiteral("/page"), FixtureHttpServer::Response::html("<html>page</html>"));
        InetPool pool;
        for (int i = 0; i < 3; ++i) {
            TransferControl &control = pool.element(pool.找出未使用Inet的Index());
            QVERIFY(control.execute(server.urlText(QStringLiteral("/page"))));
            QTRY_VERIFY(!control.stillExecuting());
            pool.卸载闲置Inet();
        }
        QCOMPARE(server.requests().size(), 3);
        QCOMPARE(server.connectionCount(), 1);
    }

    void pageTextRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("usable");
        QTest::newRow("100 characters") << QString(100, u'a') << false;
        QTest::newRow("101 characters") << QString(101, u'a') << true;
        QTest::newRow("101 Chinese characters") << QString(101, u'中') << true;
        QTest::newRow("NUL inside") << QString(200, u'a') + QChar(0) << false;
        QTest::newRow("mostly replacement characters") << QString(150, QChar(0xFFFD)) + QString(60, u'a') << false;
        QTest::newRow("a few replacement characters") << QString(5, QChar(0xFFFD)) + QString(200, u'a') << true;
    }
    void pageTextRule()
    {
        QFETCH(QString, text);
        QFETCH(bool, usable);
        QCOMPARE(AnalysisDriver::IsUsablePageText(text), usable);
    }
};

QTEST_GUILESS_MAIN(TestAnalysis)
#include "test_analysis.moc"
