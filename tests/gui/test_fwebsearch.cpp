#include "ModalAnswerer.h"
#include "core/analysis/AnalysisDriver.h"
#include "core/download/DownloadSettings.h"
#include "core/net/Browser.h"
#include "core/run/RunFlags.h"
#include "core/search/ResultListModel.h"
#include "core/search/SaveTarget.h"
#include "core/search/SearchDriver.h"
#include "core/search/ServicePageCheck.h"
#include "core/store/Settings.h"
#include "core/store/VisitedDatabase.h"
#include "core/util/DataFolder.h"
#include "core/util/TextFile.h"
#include "gui/fCover/fCover.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/fWebSearch/DraggablePanel.h"
#include "gui/fWebSearch/ServiceWaitNotice.h"
#include "gui/fWebSearch/SplitterBar.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "support/FixtureHttpServer.h"
#include "support/ManualClock.h"
#include "support/ScholarSite.h"
#include "support/TestEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace {
// A main window on a fresh data folder whose save folder lies inside it.
struct Window {
    Window()
    {
        SettingKeys::下载文件保存路径.write(home.filePath(QStringLiteral("out")));
        w = std::make_unique<fWebSearch>();
        w->show();
    }
    template <typename T> T *child(const char *name) const { return w->findChild<T *>(QString::fromUtf8(name)); }
    QAction *action(const char *name) const { return w->findChild<QAction *>(QString::fromUtf8(name)); }

    TestHome home;
    std::unique_ptr<fWebSearch> w;
};

QStringList keys(const ResultListModel &list)
{
    QStringList result;
    for (const ResultRow &row : list.rows())
        result << row.key;
    return result;
}
} // namespace

class TestFWebSearch final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void controlsAtLoad()
    {
        Window win;
        fWebSearch &w = *win.w;
        QCOMPARE(w.windowTitle(), QStringLiteral("zaruzuva - PaperHarvest"));
        QCOMPARE(w.minimumSize(), QSize(600, 333));
        QCOMPARE(win.child<QPushButton>("Command3")->text(), QStringLiteral("开始批量搜索采集"));
        QCOMPARE(win.child<QPushButton>("Command1")->text(), QStringLiteral("采集全部搜索结果"));
        QCOMPARE(win.child<QPushButton>("Command9")->text(), QStringLiteral("采集本页到列表"));
        QCOMPARE(win.child<QLabel>("Label3")->text(), QStringLiteral("限速延时：       秒"));
        QCOMPARE(win.child<QComboBox>("Combo1")->count(), 121);
        QCOMPARE(win.child<QComboBox>("Combo1")->currentText(), QStringLiteral("4"));
        QVERIFY(win.child<QCheckBox>("Check2")->isChecked());
        QVERIFY(w.browser().isSilent());
        QVERIFY(!win.child<QCheckBox>("Check6")->isChecked());
        QCOMPARE(w.findChildren<QRadioButton *>(QStringLiteral("Option2")).size(), 6);
        QCOMPARE(w.findChildren<QRadioButton *>(QStringLiteral("Option3")).size(), 4);
        QVERIFY(w.findChildren<QRadioButton *>(QStringLiteral("Option2")).first()->isChecked());
        QCOMPARE(win.child<QLabel>("Label1")->text(), QStringLiteral("0"));
        QVERIFY(!win.child<DraggablePanel>("PicPanPrograss")->isVisible());
        QTreeView *list = win.child<QTreeView>("ListView1");
        QCOMPARE(list->model()->columnCount(), 9);
        QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
        // The pop-up menus are not in the menu bar.
        QVERIFY(w.menu加入() && w.menu导入导出());
        for (QAction *a : w.menuBar()->actions())
            QVERIFY(a->menu() != w.menu加入() && a->menu() != w.menu导入导出());
        QVERIFY(win.action("menu清空全部"));
        QCOMPARE(w.saveTarget().SaveFolder, win.home.filePath(QStringLiteral("out")));
        // Without proxy rotation the status bar says so.
        QCOMPARE(win.child<QLabel>("StatusPanel3")->text(), QStringLiteral("目前IP代理：未使用代理"));
    }

    // The splitter dragged below the window comes back to four fifths of the height; the window never shrinks
    // below 600 by 333 pixels; the progress panel sits in the middle of the list panel.
    void layout()
    {
        Window win;
        fWebSearch &w = *win.w;
        auto *panels = w.centralWidget();
        auto *bar = win.child<SplitterBar>("PicBar");
        auto *web = win.child<QWidget>("PicPanWeb");
        auto *listPanel = win.child<QWidget>("PicPanList");
        QCOMPARE(bar->y(), panels->height() * 4 / 5);

        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(5, 2));
        QTest::mouseMove(bar, QPoint(5, -100));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(5, -100));
        const int dragged = bar->y();
        QVERIFY(dragged < panels->height() * 4 / 5);
        QCOMPARE(web->height(), dragged);
        QCOMPARE(listPanel->y(), bar->geometry().bottom() + 1);

        bar->move(bar->x(), panels->height() + 50);
        Q_EMIT bar->released();
        QCOMPARE(bar->y(), panels->height() * 4 / 5);

        w.resize(300, 200);
        QVERIFY(w.width() >= 600 && w.height() >= 333);

        w.progressPanel()->show();
        w.resize(1000, 700);
        const QRect progress = w.progressPanel()->geometry();
        QVERIFY(qAbs(progress.center().x() - listPanel->width() / 2) <= 1);
        QVERIFY(qAbs(progress.center().y() - listPanel->height() / 2) <= 1);
    }

    // The walk's wait notice sits under the page, never over it (a verification widget in the page stays in reach),
    // shows the address decoded and names the refresh command, which the browse menu holds with F5; a page that
    // outstays the wait gets the offer to load the walk's page again.
    void serviceWaitNotice()
    {
        using namespace std::chrono_literals;
        FixtureHttpServer server;
        ScholarSite site(server);
        Window win;
        fWebSearch &w = *win.w;
        auto *notice = win.child<ServiceWaitNotice>("ServiceWaitNotice");
        const QString keyword = QStringLiteral("深度学习");
        const QString address = site.searchUrl(keyword, 10);
        notice->showRetry({ServicePageState::Refused, QStringLiteral("HTTP 429")}, keyword, address, 20s, 2);
        auto *view = win.child<QWidget>("WebBrowser1");
        QVERIFY(notice->isVisible());
        const QRect noticeRect(notice->mapTo(&w, QPoint()), notice->size());
        const QRect viewRect(view->mapTo(&w, QPoint()), view->size());
        QVERIFY(!noticeRect.intersects(viewRect));
        QVERIFY(viewRect.height() > noticeRect.height());
        const QString text = win.child<QLabel>("ServiceWaitText")->text();
        for (const QString &part :
             {QStringLiteral("HTTP 429"), QStringLiteral("20 秒"), QStringLiteral("第2次"),
              QStringLiteral("浏览 > 刷新"), QStringLiteral("F5"), QStringLiteral("wd=深度学习&pn=10")})
            QVERIFY2(text.contains(part), qPrintable(text));
        auto *reload = win.child<QPushButton>("ServiceWaitReload");
        QVERIFY(!reload->isVisible());

        QAction *refresh = win.action("menu刷新");
        QVERIFY(refresh && win.child<QMenu>("menu浏览")->actions().contains(refresh));
        QCOMPARE(refresh->shortcut(), QKeySequence(QKeySequence::Refresh));

        notice->show({ServicePageState::NotResultPage, site.pageUrl(QStringLiteral("opened.htm"))}, keyword, address);
        QVERIFY(reload->isVisible());
        // F5 works while the notice has the focus.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        reload->setFocus();
        QSignalSpy refreshed(refresh, &QAction::triggered);
        QTest::keyClick(reload, Qt::Key_F5);
        QCOMPARE(refreshed.size(), 1);
        reload->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.browser().currentUrl(), address, 20000);

        notice->hide();
        QVERIFY(!notice->isVisible());
    }

    void readableAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("shown");
        QTest::newRow("GBK keyword") << "http://h/s?wd=%C9%EE%B6%C8%D1%A7%CF%B0&pn=10"
                                     << "http://h/s?wd=深度学习&pn=10";
        QTest::newRow("UTF-8 keyword") << "http://h/s?wd=%E6%B7%B1%E5%BA%A6"
                                       << "http://h/s?wd=深度";
        QTest::newRow("nothing encoded") << "http://h/a?b=c"
                                         << "http://h/a?b=c";
    }
    void readableAddress()
    {
        QFETCH(QString, address);
        QFETCH(QString, shown);
        QCOMPARE(ServiceWaitNotice::readableAddress(address), shown);
    }

    // An https address turns silent mode off, any other turns it on; a non-empty address is remembered.
    void openAddress_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("stored");
        QTest::newRow("https in capitals") << "  HTTPS://127.0.0.1:9/a " << false << "HTTPS://127.0.0.1:9/a";
        QTest::newRow("http") << "http://127.0.0.1:9/b" << true << "http://127.0.0.1:9/b";
        QTest::newRow("empty") << "" << true << "";
    }
    void openAddress()
    {
        QFETCH(QString, typed);
        QFETCH(bool, silent);
        QFETCH(QString, stored);
        Window win;
        RecordingPrompt prompt;
        prompt.inputs = {typed};
        win.child<QCheckBox>("Check2")->setChecked(!silent);
        win.action("menu打开指定网址")->trigger();
        QCOMPARE(prompt.texts(), QStringList{QStringLiteral("请输入需要打开的网址：")});
        QCOMPARE(prompt.entries.first().title, QStringLiteral("请输入..."));
        QCOMPARE(win.child<QCheckBox>("Check2")->isChecked(), silent);
        QCOMPARE(win.w->browser().isSilent(), silent);
        QCOMPARE(SettingKeys::指定网址.read(), stored);
    }

    // Panel 2 shows the address under the mouse, and forgets it with the page that held the link.
    void statusPanel2FollowsThePage()
    {
        FixtureHttpServer server;
        server.route(QStringLiteral("/a"), FixtureHttpServer::Response::html("<a href=/b>b</a>"));
        server.route(QStringLiteral("/b"), FixtureHttpServer::Response::html("<p>b</p>"));
        Window win;
        auto *panel2 = win.child<QLabel>("StatusPanel2");
        QSignalSpy loaded(&win.w->browser(), &Browser::documentComplete);
        win.w->browser().navigate(server.urlText(QStringLiteral("/a")));
        QVERIFY(loaded.wait(30000));
        // What the page reports while the mouse is over its link.
        Q_EMIT win.w->browser().statusTextChanged(server.urlText(QStringLiteral("/b")));
        QCOMPARE(panel2->text(), server.urlText(QStringLiteral("/b")));
        win.w->browser().navigate(server.urlText(QStringLiteral("/b")));
        QVERIFY(loaded.wait(30000));
        QVERIFY(panel2->text().isEmpty());
    }

    // Two keywords with a blank line between them: every result page of each is walked, the box loses each keyword
    // as its search starts and is empty afterwards.
    void batchOverTwoKeywords()
    {
        FixtureHttpServer server;
        ScholarSite site(server);
        site.useAsSearchService();
        Window win;
        ModalAnswerer answer(QStringLiteral("Form_BaoCun"), QStringLiteral("Command2"));
        fWebSearch &w = *win.w;
        auto *text1 = win.child<QPlainTextEdit>("Text1");
        text1->setPlainText(QStringLiteral("深度学习\n\n机器翻译"));
        win.child<QComboBox>("Combo1")->setCurrentIndex(0);

        // What the keyword box holds whenever rows arrive, by the keyword being walked.
        QStringList boxWhileDeep;
        QStringList boxWhileMt;
        // And what the status bar says the walk reads.
        auto *walkPosition = win.child<QLabel>("WalkPosition");
        QSet<QString> positions;
        connect(&w.results(), &QAbstractItemModel::rowsInserted, this, [&] {
            const QString key = w.results().rows().last().key;
            (key.contains(QLatin1String("d2")) ? boxWhileMt : boxWhileDeep) << text1->toPlainText();
            positions.insert(walkPosition->isVisible() ? walkPosition->text() : QString());
        });

        QSignalSpy finished(&w.driver(), &SearchDriver::batchFinished);
        win.child<QPushButton>("Command3")->click();
        QCOMPARE(win.child<QPushButton>("Command3")->text(), QStringLiteral("停止批量搜索采集"));
        QVERIFY(finished.wait(120000));

        QStringList expected;
        for (const char *id : {"d101", "d102", "d103", "d104", "d105", "d106", "d201", "d202"})
            expected << site.resultLink(QString::fromLatin1(id));
        QCOMPARE(keys(w.results()), expected);
        const QStringList titles{QStringLiteral("深度学习综述"),     QStringLiteral("基于深度学习的图像识别"),
                                 QStringLiteral("卷积神经网络研究"), QStringLiteral("循环神经网络"),
                                 QStringLiteral("长短期记忆网络"),   QStringLiteral("注意力机制"),
                                 QStringLiteral("神经机器翻译"),     QStringLiteral("统计机器翻译")};
        for (int i = 0; i < titles.size(); ++i) {
            QCOMPARE(w.results().row(i).title, titles.at(i));
            QCOMPARE(w.results().row(i).type, QStringLiteral("htm"));
            QCOMPARE(w.results().row(i).saveFolder, win.home.filePath(QStringLiteral("out")));
        }
        QCOMPARE(answer.answered, 1);
        QVERIFY(!boxWhileDeep.isEmpty());
        for (const QString &box : std::as_const(boxWhileDeep))
            QCOMPARE(box, QStringLiteral("\n机器翻译"));
        for (const QString &box : std::as_const(boxWhileMt))
            QCOMPARE(box, QString());
        QCOMPARE(text1->toPlainText(), QString());
        QVERIFY2(positions.contains(QStringLiteral("正在采集：深度学习 第1页")) &&
                     positions.contains(QStringLiteral("正在采集：深度学习 第2页")) &&
                     positions.contains(QStringLiteral("正在采集：机器翻译 第1页")) && !positions.contains(QString()),
                 qPrintable(QStringList(positions.values()).join(QLatin1Char('|'))));
        QVERIFY(!walkPosition->isVisible());
        QCOMPARE(win.child<QLabel>("Label1")->text(), QStringLiteral("8"));
        QCOMPARE(win.child<QPushButton>("Command3")->text(), QStringLiteral("开始批量搜索采集"));
        QCOMPARE(win.child<QPushButton>("Command1")->text(), QStringLiteral("采集全部搜索结果"));
        QVERIFY(w.flags().allIdle());
    }

    // Stopping the batch while a keyword's pages are walked ends the walk and the batch after the current page;
    // the stopped keyword has left the box, the later one is still there.
    void stopDuringWalk()
    {
        ManualClock clock;
        FixtureHttpServer server;
        ScholarSite site(server);
        site.useAsSearchService();
        Window win;
        ModalAnswerer answer(QStringLiteral("Form_BaoCun"), QStringLiteral("Command3"));
        fWebSearch &w = *win.w;
        auto *text1 = win.child<QPlainTextEdit>("Text1");
        text1->setPlainText(QStringLiteral("深度学习\n机器翻译"));
        win.child<QComboBox>("Combo1")->setCurrentIndex(2);
        auto *command3 = win.child<QPushButton>("Command3");
        const QString stopAt = site.resultLink(QStringLiteral("d104"));
        connect(&w.results(), &QAbstractItemModel::rowsInserted, this, [&] {
            if (w.results().rows().last().key == stopAt && command3->text() == QStringLiteral("停止批量搜索采集"))
                command3->click();
        });

        QSignalSpy finished(&w.driver(), &SearchDriver::batchFinished);
        command3->click();
        // The pauses of two seconds pass as they come; the pages load on real time.
        QVERIFY(clock.passShortWaitsUntil([&] { return !finished.isEmpty(); }, std::chrono::seconds(2), 120000));
        QStringList expected;
        for (const char *id : {"d101", "d102", "d103", "d104", "d105"})
            expected << site.resultLink(QString::fromLatin1(id));
        QCOMPARE(keys(w.results()), expected);
        QCOMPARE(text1->toPlainText(), QStringLiteral("\n机器翻译"));
        QVERIFY(w.flags().allIdle());
        QCOMPARE(command3->text(), QStringLiteral("开始批量搜索采集"));
        // Cancelled or not, the rows went to the folder the window had.
        QCOMPARE(w.results().row(0).saveFolder, win.home.filePath(QStringLiteral("out")));
    }

    // Harvest once after "取消" still harvests, into the unchanged save folder.
    void harvestOnceAfterCancel()
    {
        FixtureHttpServer server;
        ScholarSite site(server);
        site.useAsSearchService();
        Window win;
        fWebSearch &w = *win.w;
        QSignalSpy loaded(&w.browser(), &Browser::documentComplete);
        w.browser().navigate(site.searchUrl(QStringLiteral("机器翻译")));
        QTRY_VERIFY_WITH_TIMEOUT(w.browser().currentUrl().contains(QLatin1String("wd=")) && !w.browser().isBusy(),
                                 30000);
        ModalAnswerer answer(QStringLiteral("Form_BaoCun"), QStringLiteral("Command3"));
        win.child<QPushButton>("Command9")->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.results().rowCount(), 2, 30000);
        QCOMPARE(answer.answered, 1);
        QVERIFY(w.saveTarget().SaveDialogCancelled);
        QCOMPARE(w.results().row(0).saveFolder, win.home.filePath(QStringLiteral("out")));
        QCOMPARE(win.child<QLabel>("Label1")->text(), QStringLiteral("2"));
    }

    // Closing the window (as the start-up window makes it: deleted on close) in the middle of each of its runs. A
    // stop clears the run's flag at once while its coroutine still waits for a page or reply; harvest once has no
    // flag at all. The window hides, waits for the run to end and only then goes: no run resumes on a window that
    // is gone.
    void closeInTheMiddleOfARun_data()
    {
        QTest::addColumn<QString>("run");
        QTest::newRow("batch stopped at a row") << "batch";
        QTest::newRow("page walk stopped at a row") << "walk";
        QTest::newRow("harvest once") << "harvest once";
        QTest::newRow("analysis stopped at a row") << "analysis";
    }
    void closeInTheMiddleOfARun()
    {
        QFETCH(QString, run);
        FixtureHttpServer server;
        ScholarSite site(server);
        site.useAsSearchService();
        Window win;
        RecordingPrompt prompt;
        ModalAnswerer answer(QStringLiteral("Form_BaoCun"), QStringLiteral("Command2"));
        QPointer<fWebSearch> w = win.w.release();
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->findChild<QComboBox *>(QStringLiteral("Combo1"))->setCurrentIndex(0);
        const auto button = [&](const char *name) { return w->findChild<QPushButton *>(QString::fromUtf8(name)); };
        // Stops the run (when it has a stop) and closes the window on the next turn of the event loop.
        bool stopped = false;
        const auto stopAndClose = [&](QPushButton *stop) {
            if (stopped)
                return;
            stopped = true;
            if (stop)
                stop->click();
            QTimer::singleShot(0, w.data(), &QWidget::close);
        };
        QSignalSpy rows(&w->results(), &QAbstractItemModel::rowsInserted);
        bool hiddenWhileRunning = false;

        if (run == u"batch" || run == u"walk") {
            QPushButton *command = button(run == u"batch" ? "Command3" : "Command1");
            if (run == u"batch") {
                w->findChild<QPlainTextEdit *>(QStringLiteral("Text1"))
                    ->setPlainText(QStringLiteral("深度学习\n机器翻译"));
            } else {
                w->browser().navigate(site.searchUrl(QStringLiteral("深度学习")));
                QTRY_VERIFY_WITH_TIMEOUT(
                    w->browser().currentUrl().contains(QLatin1String("wd=")) && !w->browser().isBusy(), 30000);
            }
            connect(&w->results(), &QAbstractItemModel::rowsInserted, w, [&, command] { stopAndClose(command); });
            command->click();
        } else if (run == u"harvest once") {
            w->browser().navigate(site.searchUrl(QStringLiteral("机器翻译")));
            QTRY_VERIFY_WITH_TIMEOUT(w->browser().currentUrl().contains(QLatin1String("wd=")) && !w->browser().isBusy(),
                                     30000);
            button("Command9")->click();
            QVERIFY(!w->close());
            hiddenWhileRunning = w && !w->isVisible();
        } else {
            for (const char *id : {"d101", "d102", "d103"})
                w->results().加入LV1(QString::fromLatin1(id), site.resultLink(QString::fromLatin1(id)), site.base(),
                                     w->saveTarget().SaveFolder, QStringLiteral("htm"));
            connect(&w->analysis(), &AnalysisDriver::rowAnalysed, w, [&] { stopAndClose(w->stopButton()); });
            w->findChild<QAction *>(QStringLiteral("menu全部加入"))->trigger();
        }
        if (run != u"harvest once") {
            QTRY_VERIFY_WITH_TIMEOUT(stopped, 60000);
            QTRY_VERIFY_WITH_TIMEOUT(!w || !w->isVisible(), 30000);
            hiddenWhileRunning = true;
        }
        QVERIFY(hiddenWhileRunning);
        QTRY_VERIFY_WITH_TIMEOUT(!w, 60000);
        QVERIFY(!prompt.texts().contains(QStringLiteral("正在工作，停止以后才能退出窗口！")));
        if (run != u"analysis")
            QVERIFY(rows.count() > 0);
        delete fFileDownload::instance();
    }

    // What a busy window refuses, and with which message; a refusal changes nothing.
    void refusals_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("collectIdle");
        QTest::addColumn<bool>("analysisIdle");
        QTest::addColumn<bool>("batchIdle");
        QTest::addColumn<QString>("message"); // empty: allowed

        const QString busy = QStringLiteral("正在工作，请停止以后使用该功能！");
        const QString tryLater = QStringLiteral("正在工作，请稍后再试！");
        const QString analysing = QStringLiteral("正在分析，不能清除！");
        const QString noClose = QStringLiteral("正在工作，停止以后才能退出窗口！");
        QTest::newRow("batch while analysing") << "batch" << true << false << true << busy;
        QTest::newRow("batch while walking") << "batch" << false << true << true << busy;
        QTest::newRow("walk while analysing") << "walk" << true << false << true << busy;
        QTest::newRow("sort while walking") << "sort" << false << true << true << tryLater;
        QTest::newRow("sort while batch") << "sort" << true << true << false << tryLater;
        QTest::newRow("clear while analysing") << "clear" << true << false << true << analysing;
        QTest::newRow("clear while walking") << "clear" << false << true << true << QString();
        QTest::newRow("close while analysing") << "close" << true << false << true << noClose;
        QTest::newRow("close while batch") << "close" << true << true << false << noClose;
    }
    void refusals()
    {
        QFETCH(QString, command);
        QFETCH(bool, collectIdle);
        QFETCH(bool, analysisIdle);
        QFETCH(bool, batchIdle);
        QFETCH(QString, message);

        Window win;
        RecordingPrompt prompt;
        prompt.answers = {true};
        fWebSearch &w = *win.w;
        w.results().加入LV1(QStringLiteral("b"), QStringLiteral("http://x/2"), {}, {}, {});
        w.results().加入LV1(QStringLiteral("a"), QStringLiteral("http://x/1"), {}, {}, {});
        w.flags().setCollectIdle(collectIdle);
        w.flags().setAnalysisIdle(analysisIdle);
        w.flags().setBatchIdle(batchIdle);
        const QString keywords = QStringLiteral("k");
        win.child<QPlainTextEdit>("Text1")->setPlainText(keywords);

        if (command == QLatin1String("batch"))
            win.child<QPushButton>("Command3")->click();
        else if (command == QLatin1String("walk"))
            win.child<QPushButton>("Command1")->click();
        else if (command == QLatin1String("sort"))
            Q_EMIT win.child<QTreeView>("ListView1")->header()->sectionClicked(0);
        else if (command == QLatin1String("clear"))
            win.action("menu清空全部")->trigger();
        else if (command == QLatin1String("close"))
            w.close();

        if (message.isEmpty()) {
            QVERIFY(!prompt.texts().contains(QStringLiteral("正在分析，不能清除！")));
            QCOMPARE(w.results().rowCount(), 0);
            return;
        }
        QCOMPARE(prompt.texts().value(0), message);
        QCOMPARE(prompt.entries.first().icon, Prompt::Icon::Critical);
        // Nothing changed.
        QCOMPARE(w.flags().CollectIdle(), collectIdle);
        QCOMPARE(w.flags().AnalysisIdle(), analysisIdle);
        QCOMPARE(w.flags().BatchIdle(), batchIdle);
        QCOMPARE(w.results().rowCount(), 2);
        QCOMPARE(w.results().row(0).title, QStringLiteral("b"));
        QCOMPARE(win.child<QPlainTextEdit>("Text1")->toPlainText(), keywords);
        QCOMPARE(win.child<QPushButton>("Command3")->text(), QStringLiteral("开始批量搜索采集"));
        QVERIFY(w.isVisible());
        QVERIFY(!QFile::exists(DataFolder::filePath(QStringLiteral("keywords.txt"))));
    }

    // Checking Check6 while the progress panel shows is refused; otherwise Timer1 starts the analysis command of
    // unanalysed rows, and only while no analysis runs.
    void automaticAnalysis()
    {
        ManualClock clock;
        Window win;
        RecordingPrompt prompt;
        fWebSearch &w = *win.w;
        auto *check6 = win.child<QCheckBox>("Check6");

        w.progressPanel()->show();
        check6->setChecked(true);
        QVERIFY(!check6->isChecked());
        QCOMPARE(prompt.texts(), QStringList{QStringLiteral("正在工作，请停止后执行此功能！")});
        QCOMPARE(prompt.entries.first().icon, Prompt::Icon::Information);
        w.progressPanel()->hide();

        QSignalSpy started(&w.analysis(), &AnalysisDriver::runStarted);
        check6->setChecked(true);
        QVERIFY(clock.advance(fWebSearch::kAutoAnalysisInterval - std::chrono::milliseconds(1)));
        QVERIFY(!started.wait(kQuietMs));
        QVERIFY(clock.advance(std::chrono::milliseconds(1)));
        QVERIFY(caught(started));
        // Every row is analysed now: the run ends at once.
        QTRY_VERIFY(w.flags().AnalysisIdle());
        check6->setChecked(false);
        const int runs = started.count();
        QVERIFY(clock.advance(3 * fWebSearch::kAutoAnalysisInterval));
        QVERIFY(!started.wait(kQuietMs));
        QCOMPARE(started.count(), runs);

        w.flags().setAnalysisIdle(false);
        check6->setChecked(true);
        QVERIFY(clock.advance(3 * fWebSearch::kAutoAnalysisInterval));
        QVERIFY(!started.wait(kQuietMs));
        QCOMPARE(started.count(), runs);
        w.flags().setAnalysisIdle(true);
        QVERIFY(clock.advance(fWebSearch::kAutoAnalysisInterval));
        QVERIFY(started.count() > runs || started.wait());
    }

    // The window's settings and keywords.txt survive closing and opening it again.
    void settingsSurviveReopening()
    {
        TestHome home;
        SettingKeys::下载文件保存路径.write(home.filePath(QStringLiteral("out")));
        {
            fWebSearch w;
            w.findChild<QComboBox *>(QStringLiteral("Combo1"))->setCurrentIndex(7);
            w.findChild<QCheckBox *>(QStringLiteral("Check1"))->setChecked(true);
            w.findChild<QCheckBox *>(QStringLiteral("Check3"))->setChecked(false);
            w.findChild<QCheckBox *>(QStringLiteral("Check7"))->setChecked(true);
            w.findChild<QCheckBox *>(QStringLiteral("Check6"))->setChecked(true);
            w.findChild<QPlainTextEdit *>(QStringLiteral("Text1"))->setPlainText(QStringLiteral("深度学习\n机器 翻译"));
            QVERIFY(w.close());
        }
        const QString file = DataFolder::filePath(QStringLiteral("keywords.txt"));
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        QVERIFY(bytes.contains("\r\n"));
        QVERIFY(bytes.startsWith("\xC9\xEE\xB6\xC8\xD1\xA7\xCF\xB0")); // GBK

        fWebSearch again;
        QCOMPARE(again.findChild<QComboBox *>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("7"));
        QVERIFY(again.findChild<QCheckBox *>(QStringLiteral("Check1"))->isChecked());
        QVERIFY(!again.findChild<QCheckBox *>(QStringLiteral("Check3"))->isChecked());
        QVERIFY(again.findChild<QCheckBox *>(QStringLiteral("Check7"))->isChecked());
        QVERIFY(!again.findChild<QCheckBox *>(QStringLiteral("Check6"))->isChecked());
        QCOMPARE(again.findChild<QPlainTextEdit *>(QStringLiteral("Text1"))->toPlainText(),
                 QStringLiteral("深度学习\n机器 翻译"));
    }

    void storedDelayIndex_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("seven") << "7"
                               << "7";
        QTest::newRow("out of range") << "200"
                                      << "4";
        QTest::newRow("negative") << "-1"
                                  << "4";
        QTest::newRow("not a number") << "x"
                                      << "4";
    }
    void storedDelayIndex()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        TestHome home;
        WriteSetting(ApplicationTitle(), SettingKeys::combo1.section(), SettingKeys::combo1.key(), stored);
        fWebSearch w;
        QCOMPARE(w.findChild<QComboBox *>(QStringLiteral("Combo1"))->currentText(), shown);
    }

    // A settings file with a quote left open is named at start with its line; the lines after it still count.
    void faultySettingsFileIsNamedAtStart()
    {
        TestHome home;
        QFile ini(home.filePath(ApplicationTitle() + QStringLiteral(".ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[设置]\r\n代理服务器网址=\"proxy\r\n文件最大值=20\r\n");
        ini.close();
        RecordingPrompt prompt;
        fCover cover;
        QSignalSpy loaded(&cover, &fCover::loaded);
        cover.show();
        QVERIFY(loaded.wait());
        const auto restore = qScopeGuard([] { DownloadSettings::program().maxFileSizeMb = 10; });
        const QString told = prompt.texts().join(u'\n');
        QVERIFY2(told.contains(QStringLiteral("第 2 行")), qPrintable(told));
        QCOMPARE(DownloadSettings::program().maxFileSizeMb, 20.0);
        CloseVisitedDatabase();
    }

    // Closing the main window shows the cover again, unless the download window is open.
    void closingReturnsToCover()
    {
        TestHome home;
        SettingKeys::下载文件保存路径.write(home.filePath(QStringLiteral("out")));
        fCover cover;
        cover.show();
        QSignalSpy loaded(&cover, &fCover::loaded);
        QVERIFY(loaded.wait());
        cover.openMainWindow();
        QVERIFY(!cover.isVisible());
        QPointer<fWebSearch> main = cover.mainWindow();
        QVERIFY(main && main->isVisible());
        QVERIFY(main->close());
        QVERIFY(cover.isVisible());
        QTRY_VERIFY(!main);

        cover.openMainWindow();
        QWidget download;
        download.setObjectName(QStringLiteral("fFileDownload"));
        download.show();
        QVERIFY(cover.mainWindow()->close());
        QVERIFY(!cover.isVisible());
        CloseVisitedDatabase();
    }

    // A window closed while a run still ends its step is gone for the user at once: the cover shows. Opened again
    // from the cover before the run ended, it is the same window, and it stays.
    void reopenedWhileItWaitsForARun()
    {
        FixtureHttpServer server;
        ScholarSite site(server);
        site.useAsSearchService();
        TestHome home;
        SettingKeys::下载文件保存路径.write(home.filePath(QStringLiteral("out")));
        fCover cover;
        cover.show();
        QSignalSpy loaded(&cover, &fCover::loaded);
        QVERIFY(loaded.wait());
        cover.openMainWindow();
        QPointer<fWebSearch> main = cover.mainWindow();
        main->browser().navigate(site.searchUrl(QStringLiteral("机器翻译")));
        QTRY_VERIFY_WITH_TIMEOUT(
            main->browser().currentUrl().contains(QLatin1String("wd=")) && !main->browser().isBusy(), 30000);
        ModalAnswerer answer(QStringLiteral("Form_BaoCun"), QStringLiteral("Command2"));
        QSignalSpy rows(&main->results(), &QAbstractItemModel::rowsInserted);
        main->findChild<QPushButton *>(QStringLiteral("Command9"))->click();
        QVERIFY(!main->close());
        QVERIFY(cover.isVisible() && !main->isVisible());
        cover.openMainWindow();
        QCOMPARE(cover.mainWindow(), main.data());
        QTRY_COMPARE_WITH_TIMEOUT(rows.count(), 2, 30000);
        QVERIFY(main && main->isVisible());
        QVERIFY(main->close());
        QTRY_VERIFY(!main);
        CloseVisitedDatabase();
    }

    // The list commands: removal by rule, the input box, the question, header sorting both ways.
    void listCommands()
    {
        Window win;
        RecordingPrompt prompt;
        fWebSearch &w = *win.w;
        ResultListModel &list = w.results();
        const QStringList titles{QStringLiteral("Deep LEARNING"), QStringLiteral("深度学习"), QStringLiteral("c")};
        for (int i = 0; i < titles.size(); ++i)
            list.加入LV1(titles.at(i), QStringLiteral("http://x/%1").arg(i), {}, {}, {});

        prompt.inputs = {QString()};
        win.action("menu清除标题不含指定字符项")->trigger();
        QCOMPARE(list.rowCount(), 3);
        prompt.inputs = {QStringLiteral("learning")};
        win.action("menu清除标题不含指定字符项")->trigger();
        QCOMPARE(list.rowCount(), 1);
        QCOMPARE(list.row(0).title, QStringLiteral("Deep LEARNING"));
        QCOMPARE(win.child<QLabel>("Label1")->text(), QStringLiteral("1"));

        list.加入LV1(QStringLiteral("b"), QStringLiteral("http://x/b"), {}, {}, {});
        auto *header = win.child<QTreeView>("ListView1")->header();
        Q_EMIT header->sectionClicked(0);
        QCOMPARE(list.row(0).title, QStringLiteral("Deep LEARNING"));
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        Q_EMIT header->sectionClicked(0);
        QCOMPARE(list.row(0).title, QStringLiteral("b"));
        QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);

        prompt.answers = {false};
        win.action("menu清空全部")->trigger();
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(prompt.texts().last(), QStringLiteral("您确定要清空辛辛苦苦搜索的列表数据吗？"));
        prompt.answers = {true};
        win.action("menu清空全部")->trigger();
        QCOMPARE(list.rowCount(), 0);
        QCOMPARE(win.child<QLabel>("Label1")->text(), QStringLiteral("0"));
    }

    // Opening a row's saved file looks for folder/title.type with the title as stored.
    void openSavedFileMessages()
    {
        Window win;
        RecordingPrompt prompt;
        fWebSearch &w = *win.w;
        QTreeView *view = win.child<QTreeView>("ListView1");
        const QString missingFolder = win.home.filePath(QStringLiteral("never"));
        w.results().加入LV1(QStringLiteral("a/b"), QStringLiteral("http://x/1"), {}, win.home.path(),
                            QStringLiteral("pdf"));
        w.results().加入LV1(QStringLiteral("c"), QStringLiteral("http://x/2"), {}, missingFolder,
                            QStringLiteral("pdf"));

        view->setCurrentIndex(w.results().index(0, 0));
        win.action("menu打开保存文件")->trigger();
        QCOMPARE(prompt.texts(), QStringList{QStringLiteral("该文件不存在！")});

        view->setCurrentIndex(w.results().index(1, 0));
        win.action("menu打开保存文件所在目录")->trigger();
        QCOMPARE(prompt.texts().last(), QStringLiteral("文件夹不存在！"));
        QCOMPARE(prompt.entries.last().icon, Prompt::Icon::Critical);

        // Nothing selected: nothing happens.
        view->clearSelection();
        const int before = prompt.entries.size();
        win.action("menu打开保存文件")->trigger();
        QCOMPARE(prompt.entries.size(), before);
    }
};

QTEST_MAIN(TestFWebSearch)
#include "test_fwebsearch.moc"
