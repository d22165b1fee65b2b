#include "core/analysis/AnalysisDriver.h"
#include "core/analysis/AnalysisTexts.h"
#include "core/download/DownloadScheduler.h"
#include "core/run/RunFlags.h"
#include "core/search/ResultListModel.h"
#include "core/search/SaveTarget.h"
#include "core/store/Settings.h"
#include "core/store/VisitedDatabase.h"
#include "gui/fFileDownload/DownloadPdfCheck.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/fWebSearch/DraggablePanel.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "pdfcheck/PdfFixtures.h"
#include "support/FixtureHttpServer.h"
#include "support/FolderFiles.h"
#include "support/ManualClock.h"
#include "support/ScholarSite.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>

namespace {
// The main window on a fresh data folder, its search service and documents on a loopback fixture site.
struct Window {
    Window()
    {
        site.useAsSearchService();
        SettingKeys::下载文件保存路径.write(home.filePath(QStringLiteral("out")));
        QDir().mkpath(home.filePath(QStringLiteral("out")));
        OpenVisitedDatabase();
        w = std::make_unique<fWebSearch>();
        w->show();
    }
    ~Window()
    {
        delete fFileDownload::instance();
        w.reset();
        CloseVisitedDatabase();
    }
    template <typename T> T *child(const char *name) const { return w->findChild<T *>(QString::fromUtf8(name)); }
    QAction *action(const char *name) const { return child<QAction>(name); }
    void addRow(const QString &id, const QString &title, const QString &type = QStringLiteral("htm"))
    {
        const QString key = type == u"pdf" ? site.base() + QStringLiteral("/files/") + id : site.resultLink(id);
        w->results().加入LV1(title, key, site.base() + QStringLiteral("/s?wd=x"), w->saveTarget().SaveFolder, type);
    }
    QStringList statuses() const
    {
        QStringList out;
        for (const ResultRow &row : w->results().rows())
            out << row.status;
        return out;
    }
    // Lets the clock run (the pauses between rows, the timer) until `done` holds; the fetches run on real time.
    template <typename Done> bool runUntil(Done done) { return clock.advanceUntil(done, std::chrono::seconds(1), 300); }
    bool waitForRunEnd()
    {
        const AnalysisDriver *driver = w->findChild<AnalysisDriver *>();
        return driver && runUntil([driver] { return !driver->isRunning(); });
    }

    ManualClock clock;
    TestHome home;
    RecordingPrompt prompt;
    FixtureHttpServer server;
    ScholarSite site{server, QStringLiteral(PH_TEST_DATA_DIR "/scholar")};
    std::unique_ptr<fWebSearch> w;
};
} // namespace

class TestAnalysisMenu final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void menuHoldsTheFourCommands()
    {
        Window win;
        QStringList names;
        QStringList captions;
        for (QAction *action : win.w->menu加入()->actions()) {
            names << action->objectName();
            captions << action->text();
        }
        QCOMPARE(names, (QStringList{"menu分析未分析项", "menu加入分析失败项", "menu选中加入", "menu全部加入"}));
        QCOMPARE(captions, (QStringList{"分析下载未分析项", "分析下载失败项", "分析下载选中项", "分析下载全部"}));
    }

    // A run from the menu: progress panel in front, search panel disabled, the files handed to the download window,
    // which is shown at the end.
    void runShowsProgressAndFillsTheDownloadWindow()
    {
        Window win;
        win.child<QCheckBox>("Check7")->setChecked(true);
        win.addRow(QStringLiteral("d101"), QStringLiteral("深度学习综述"));
        win.addRow(QStringLiteral("d102"), QStringLiteral("基于深度学习的图像识别"));
        win.addRow(QStringLiteral("d103.pdf"), QStringLiteral("直接文件"), QStringLiteral("pdf"));
        QVERIFY(!fFileDownload::instance());

        bool panelShownWhileRunning = false;
        connect(&win.w->flags(), &RunFlags::analysisIdleChanged, this, [&](bool idle) {
            if (!idle)
                panelShownWhileRunning = win.w->progressPanel()->isVisible() && !win.w->browserPanel()->isEnabled() &&
                                         win.w->stopButton()->isVisible() &&
                                         win.w->progressLabel()->text() == QStringLiteral("正在分析下载,请稍候...");
        });
        win.action("menu全部加入")->trigger();
        QVERIFY(!win.w->flags().AnalysisIdle());
        QVERIFY(win.waitForRunEnd());
        QVERIFY(panelShownWhileRunning);
        QVERIFY(!win.w->progressPanel()->isVisible());
        QVERIFY(win.w->browserPanel()->isEnabled());
        QCOMPARE(win.w->progressBar()->maximum(), 4);
        QCOMPARE(win.statuses(), (QStringList{"成功", "无pdf", "成功"}));

        fFileDownload *downloads = fFileDownload::instance();
        QVERIFY(downloads);
        QVERIFY(downloads->isVisible());
        const DownloadListModel &list = downloads->scheduler().list();
        QCOMPARE(list.size(), 2);
        QCOMPARE(list.item(0).address, win.site.base() + QStringLiteral("/files/d101.pdf"));
        QCOMPARE(list.item(0).name, QStringLiteral("深度学习综述"));
        QCOMPARE(list.item(1).address, win.site.base() + QStringLiteral("/files/d103.pdf"));
        QCOMPARE(list.item(1).name, QStringLiteral("直接文件"));
        QVERIFY(win.prompt.entries.isEmpty());
    }

    // What the download window's check finds in a handed-over PDF goes back into the row that handed it over: the
    // paper asked for gives its DOI and pages, a PDF of another paper gives nothing (not even its own DOI).
    void checkedPdfsTellTheirRows()
    {
        Window win;
        const QString asked = QStringLiteral("基于深度学习的学术文献自动获取方法研究");
        const QString other = QStringLiteral("农村劳动力转移对农民收入的影响分析");
        const QString pdfs = win.home.filePath(QStringLiteral("pdfs"));
        QVERIFY(QDir().mkpath(pdfs));
        QVERIFY(
            WritePdf(pdfs + QStringLiteral("/good.pdf"), {asked, asked, QStringLiteral("DOI: 10.1000/ph.2021.7"), 2}));
        QVERIFY(
            WritePdf(pdfs + QStringLiteral("/other.pdf"), {other, other, QStringLiteral("DOI: 10.1000/other.3"), 1}));
        for (const QString &name : {QStringLiteral("good.pdf"), QStringLiteral("other.pdf")})
            win.server.route(QStringLiteral("/files/") + name,
                             FixtureHttpServer::Response::text(readFile(pdfs + u'/' + name), "application/pdf"));
        win.addRow(QStringLiteral("good.pdf"), asked + QStringLiteral(" 1"), QStringLiteral("pdf"));
        win.addRow(QStringLiteral("other.pdf"), asked + QStringLiteral(" 2"), QStringLiteral("pdf"));
        win.action("menu全部加入")->trigger();
        QVERIFY(win.waitForRunEnd());

        fFileDownload *downloads = fFileDownload::instance();
        QVERIFY(downloads);
        QSignalSpy checked(&downloads->pdfCheck(), &DownloadPdfCheck::reported);
        downloads->scheduler().StartDownloads();
        QVERIFY(win.runUntil([&] { return checked.count() == 2; }));
        const Citation good = win.w->results().row(0).citation;
        QCOMPARE(good.doi, QStringLiteral("10.1000/ph.2021.7"));
        QCOMPARE(good.pages, 2);
        QVERIFY(win.w->results().row(1).citation.isEmpty());
    }

    // A small file can be saved and checked during the pause after its row's page, before the row's analysis
    // ends: its verdict still reaches the row once the row is done.
    void verdictDuringThePauseReachesTheRow()
    {
        Window win;
        win.child<QComboBox>("Combo1")->setCurrentIndex(120);
        const QString asked = QStringLiteral("基于深度学习的学术文献自动获取方法研究");
        const QString pdf = win.home.filePath(QStringLiteral("good.pdf"));
        QVERIFY(WritePdf(pdf, {asked, asked, QStringLiteral("DOI: 10.1000/ph.2021.7"), 3}));
        win.server.route(QStringLiteral("/files/d101.pdf"),
                         FixtureHttpServer::Response::text(readFile(pdf), "application/pdf"));
        win.addRow(QStringLiteral("d101"), asked);
        win.action("menu全部加入")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(win.w->results().row(0).status, QStringLiteral("成功"), 20000);
        fFileDownload *downloads = fFileDownload::instance();
        QVERIFY(downloads);
        QSignalSpy checked(&downloads->pdfCheck(), &DownloadPdfCheck::reported);
        downloads->scheduler().StartDownloads();
        // Less than the row's pause of 120 s passes while the file comes and is checked.
        QVERIFY(win.clock.advanceUntil([&] { return checked.count() == 1; }, std::chrono::seconds(1), 60));
        QVERIFY(!win.w->flags().AnalysisIdle());
        QVERIFY(win.w->results().row(0).citation.isEmpty());
        QVERIFY(win.waitForRunEnd());
        QCOMPARE(win.w->results().row(0).citation->doi, QStringLiteral("10.1000/ph.2021.7"));
        QCOMPARE(win.w->results().row(0).citation->pages, 3);
    }

    void selectedRowsAndNamesFromAddresses()
    {
        Window win;
        win.w->saveTarget().NameFromAddress = true;
        win.addRow(QStringLiteral("d101"), QStringLiteral("深度学习综述"));
        win.addRow(QStringLiteral("d103"), QStringLiteral("卷积神经网络研究"));
        win.addRow(QStringLiteral("d105"), QStringLiteral("长短期记忆网络"));
        QTreeView *list = win.w->resultList();
        list->selectionModel()->select(list->model()->index(1, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        win.action("menu选中加入")->trigger();
        QVERIFY(win.waitForRunEnd());
        QCOMPARE(win.statuses(), (QStringList{"", "成功", ""}));
        const DownloadListModel &downloads = fFileDownload::instance()->scheduler().list();
        QCOMPARE(downloads.size(), 1);
        QCOMPARE(downloads.item(0).name, QStringLiteral("d103"));
        win.w->saveTarget().NameFromAddress = false;
    }

    // "停止" during the pause after a fetch ends the run at once.
    void stopButtonEndsThePause()
    {
        Window win;
        win.child<QComboBox>("Combo1")->setCurrentIndex(120);
        win.addRow(QStringLiteral("d101"), QStringLiteral("深度学习综述"));
        win.addRow(QStringLiteral("d102"), QStringLiteral("基于深度学习的图像识别"));
        win.action("menu全部加入")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(win.w->results().row(0).status, QStringLiteral("成功"), 20000);
        // The clock stands still: only the stop can end the 120 s pause.
        QVERIFY(win.clock.advance(std::chrono::seconds(60)));
        QVERIFY(!win.w->flags().AnalysisIdle());
        QTest::mouseClick(win.w->stopButton(), Qt::LeftButton);
        const AnalysisDriver *driver = win.w->findChild<AnalysisDriver *>();
        QTRY_VERIFY(!driver->isRunning());
        QCOMPARE(win.statuses(), (QStringList{"成功", ""}));
        QVERIFY(!win.w->progressPanel()->isVisible());
    }

    // The service turning rows' pages away: the status bar says when the page is asked again, "停止" ends that wait
    // at once; three rows whose pages are withheld in a row end the run with a message naming the cause.
    void serviceWithholdingPages()
    {
        Window win;
        FixtureHttpServer::Response busy =
            FixtureHttpServer::Response::withStatus(429, "<html><body>slow down</body></html>");
        busy.withHeader("Retry-After", "120");
        win.server.route(QStringLiteral("/usercenter/paper/show?paperid=d101&site=xueshu_se"), busy);
        win.addRow(QStringLiteral("d101"), QStringLiteral("深度学习综述"));
        win.action("menu全部加入")->trigger();
        const QString retryText =
            AnalysisTexts::kRetryWaiting.arg(120).arg(1).arg(1).arg(win.site.resultLink(QStringLiteral("d101")));
        QTRY_COMPARE_WITH_TIMEOUT(win.w->statusBar()->currentMessage(), retryText, 20000);
        QTest::mouseClick(win.w->stopButton(), Qt::LeftButton);
        const AnalysisDriver *driver = win.w->findChild<AnalysisDriver *>();
        // The clock stands still: only the stop can end the two minutes.
        QTRY_VERIFY(!driver->isRunning());
        QCOMPARE(win.statuses(), QStringList{QStringLiteral("失败(下载)")});

        QFile verify(QStringLiteral(PH_TEST_DATA_DIR "/scholar/verify.htm"));
        QVERIFY(verify.open(QIODevice::ReadOnly));
        const QByteArray verification = verify.readAll();
        win.w->results().clearAll();
        for (const QString &id : {QStringLiteral("d102"), QStringLiteral("d103"), QStringLiteral("d104")}) {
            win.server.route(QStringLiteral("/usercenter/paper/show?paperid=%1&site=xueshu_se").arg(id),
                             FixtureHttpServer::Response::html(verification));
            win.addRow(id, id);
        }
        win.addRow(QStringLiteral("d105"), QStringLiteral("长短期记忆网络"));
        win.action("menu全部加入")->trigger();
        QVERIFY(win.waitForRunEnd());
        QCOMPARE(win.statuses(), (QStringList{"失败(下载)", "失败(下载)", "失败(下载)", ""}));
        const QString message = AnalysisTexts::kServiceVerification.arg(win.site.resultLink(QStringLiteral("d104")));
        QCOMPARE(win.prompt.texts(), QStringList{message});
        QCOMPARE(win.prompt.entries.first().icon, Prompt::Icon::Warning);
        QCOMPARE(win.w->statusBar()->currentMessage(), message.section(QLatin1Char('\n'), 0, 0));
    }

    // Check6 lets Timer1 analyse unanalysed rows, including rows harvested later.
    void timerAnalysesNewRows()
    {
        Window win;
        win.addRow(QStringLiteral("d101"), QStringLiteral("深度学习综述"));
        win.child<QCheckBox>("Check6")->setChecked(true);
        QVERIFY(win.runUntil([&] { return win.statuses() == QStringList{"成功"}; }));
        win.addRow(QStringLiteral("d104"), QStringLiteral("循环神经网络"));
        QVERIFY(win.runUntil([&] { return win.statuses() == QStringList{"成功", "成功"}; }));
        win.child<QCheckBox>("Check6")->setChecked(false);
        QVERIFY(win.waitForRunEnd());
        QVERIFY(win.prompt.entries.isEmpty());
    }
};

QTEST_MAIN(TestAnalysisMenu)
#include "test_analysismenu.moc"
