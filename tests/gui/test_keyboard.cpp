// The keys desktop users reach for: Esc closes every dialog and Tab moves on from each of its controls, Del clears
// the selected rows of both lists (through the same guard as the menu), Ctrl+A selects a whole list, Ctrl+F goes to
// the keywords, F5 reloads the embedded browsers; Tab walks the main windows' controls in reading order.
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadScheduler.h"
#include "core/net/Browser.h"
#include "core/run/RunFlags.h"
#include "core/search/ResultListModel.h"
#include "core/search/SaveTarget.h"
#include "core/store/Settings.h"
#include "gui/Form_BaoCun/Form_BaoCun.h"
#include "gui/Form_Copy_Move/Form_Copy_Move.h"
#include "gui/InputUrlList/InputUrlList.h"
#include "gui/fFileDownload/UrlReplace.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/fFileDownload/login/LoginPanel.h"
#include "gui/fIEcache/fIEcache.h"
#include "gui/fOption/fOption.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "gui/frmAbout/frmAbout.h"
#include "gui/use/use.h"
#include "support/FixtureHttpServer.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <memory>

namespace {
// The download window on a fresh data folder, shown and active, closed without a question at the end.
struct DownloadWindow {
    TestHome home;
    RecordingPrompt prompt;
    QPointer<fFileDownload> w;

    DownloadWindow()
    {
        w = fFileDownload::ensure();
        w->show();
        w->activateWindow();
    }
    ~DownloadWindow()
    {
        if (w) {
            prompt.answers = {true};
            w->close();
            delete w.data();
        }
    }
    DownloadListModel &list() const { return w->scheduler().list(); }
    void addRows(const QStringList &names)
    {
        for (const QString &name : names) {
            DownloadItem item;
            item.address = QStringLiteral("http://h/") + name;
            item.name = name;
            item.type = QStringLiteral("pdf");
            item.folder = home.path() + QLatin1Char('/');
            item.state = ItemState::Done;
            list().append(item);
        }
    }
    QStringList names() const
    {
        QStringList result;
        for (int row = 0; row < list().size(); ++row)
            result << list().item(row).name;
        return result;
    }
};

struct MainWindow {
    TestHome home;
    RecordingPrompt prompt;
    std::unique_ptr<fWebSearch> w;

    MainWindow()
    {
        SettingKeys::下载文件保存路径.write(home.filePath(QStringLiteral("out")));
        w = std::make_unique<fWebSearch>();
        w->show();
        w->activateWindow();
    }
    template <typename T> T *child(const char *name) const { return w->findChild<T *>(QString::fromUtf8(name)); }
    QStringList titles() const
    {
        QStringList result;
        for (const ResultRow &row : w->results().rows())
            result << row.title;
        return result;
    }
};

void selectRows(QTreeView *view, std::initializer_list<int> rows)
{
    view->clearSelection();
    for (int row : rows)
        view->selectionModel()->select(view->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// The object names Tab visits from `start`, `count` presses long.
QStringList tabWalk(QWidget *start, int count)
{
    start->setFocus(Qt::TabFocusReason);
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < count; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    return visited;
}
} // namespace

class TestKeyboard final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Tab moves on from every control of a dialog (none keeps it for itself), and Esc closes the dialog.
    void dialogKeys_data()
    {
        QTest::addColumn<QString>("dialog");
        for (const char *name :
             {"Form_BaoCun", "Form_Copy_Move", "fOption", "frmAbout", "UrlReplace", "InputUrlList", "fIEcache", "use"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void dialogKeys()
    {
        QFETCH(QString, dialog);
        TestHome home;
        RecordingPrompt prompt;
        ResultListModel results;
        DownloadListModel downloads;
        QPointer<QWidget> window;
        if (dialog == QLatin1String("Form_BaoCun"))
            window = new Form_BaoCun(CurrentSaveTarget());
        else if (dialog == QLatin1String("Form_Copy_Move"))
            window = new Form_Copy_Move;
        else if (dialog == QLatin1String("fOption"))
            window = new fOption;
        else if (dialog == QLatin1String("frmAbout"))
            window = new frmAbout;
        else if (dialog == QLatin1String("UrlReplace"))
            window = new UrlReplace(downloads);
        else if (dialog == QLatin1String("InputUrlList"))
            window = new InputUrlList(results, CurrentSaveTarget());
        else if (dialog == QLatin1String("fIEcache"))
            window = new fIEcache;
        else
            window = new use;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        int tabStops = 0;
        for (QWidget *w : window->findChildren<QWidget *>())
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled() && !w->focusProxy())
                ++tabStops;
        if (tabStops > 1) {
            QVERIFY(QApplication::focusWidget());
            for (int i = 0; i < 2 * tabStops; ++i) {
                QWidget *before = QApplication::focusWidget();
                QTest::keyClick(before, Qt::Key_Tab);
                QVERIFY2(QApplication::focusWidget() != before, qPrintable(before->objectName()));
            }
        }
        QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : window.data();
        QTest::keyClick(focus, Qt::Key_Escape);
        QTRY_VERIFY(!window);
    }

    // Del clears the selected rows only while the list has the focus (a text box keeps its own Del); Ctrl+A
    // selects every row.
    void downloadListKeys()
    {
        DownloadWindow win;
        win.addRows({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
        QVERIFY(QTest::qWaitForWindowActive(win.w));
        QTreeView *list = win.w->listView();
        selectRows(list, {1, 3});

        auto *start = win.w->findChild<QPushButton *>(QStringLiteral("Command4"));
        start->setFocus();
        QTest::keyClick(start, Qt::Key_Delete);
        QCOMPARE(win.list().size(), 4);

        list->setFocus();
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(win.names(), QStringList({QStringLiteral("a"), QStringLiteral("c")}));
        QCOMPARE(win.w->findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("2条"));

        list->clearSelection();
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(win.w->selectedRows(), QList<int>({0, 1}));
        QVERIFY(win.prompt.entries.isEmpty());
    }

    void downloadWindowTabOrder()
    {
        DownloadWindow win;
        QVERIFY(QTest::qWaitForWindowActive(win.w));
        // Tab stops once at the same-name choices; the arrow keys move between them.
        const QStringList expected{"Command26", "Combo1", "Option1", "Combo2", "Command4", "Command31", "Check3",
                                   "Combo4",    "Check4", "Check5",  "Check6", "Command1", "ListView3"};
        QCOMPARE(tabWalk(win.w->findChild<QWidget *>(QStringLiteral("Command26")), expected.size() - 1), expected);
    }

    void mainWindowKeys()
    {
        MainWindow win;
        QVERIFY(QTest::qWaitForWindowActive(win.w.get()));
        for (const char *title : {"a", "b", "c"})
            win.w->results().加入LV1(QString::fromLatin1(title), QStringLiteral("http://x/") + QLatin1String(title), {},
                                     {}, {});
        auto *list = win.child<QTreeView>("ListView1");
        auto *keywords = win.child<QPlainTextEdit>("Text1");

        // Ctrl+F from anywhere in the window goes to the keywords.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), keywords);

        // Del in the keyword box edits the text, not the list.
        keywords->setPlainText(QStringLiteral("xy"));
        keywords->moveCursor(QTextCursor::Start);
        selectRows(list, {0});
        QTest::keyClick(keywords, Qt::Key_Delete);
        QCOMPARE(keywords->toPlainText(), QStringLiteral("y"));
        QCOMPARE(win.titles().size(), 3);

        // In the list, through the menu command's own guard.
        list->setFocus();
        win.w->flags().setAnalysisIdle(false);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(win.prompt.texts(), QStringList{QStringLiteral("正在分析，不能清除！")});
        QCOMPARE(win.titles().size(), 3);
        win.w->flags().setAnalysisIdle(true);
        selectRows(list, {0, 2});
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(win.titles(), QStringList{QStringLiteral("b")});
        QCOMPARE(win.child<QLabel>("Label1")->text(), QStringLiteral("1"));
    }

    void mainWindowTabOrder()
    {
        MainWindow win;
        QVERIFY(QTest::qWaitForWindowActive(win.w.get()));
        // Each group of choices is one stop; the browser's page keeps Tab for its own links.
        const QStringList expected{"Text1",    "Option2",  "Option3",  "Command3", "Combo1",
                                   "Check2",   "Check1",   "Check3",   "Check6",   "Check7",
                                   "Command9", "Command1", "Command2", "Command7", "ListView1"};
        QStringList walked = tabWalk(win.child<QWidget>("Text1"), expected.size() - 1);
        QCOMPARE(walked, expected);
    }

    // F5 loads the page on screen again, in the main window and in the download window's login panel.
    void f5Reloads_data()
    {
        QTest::addColumn<bool>("loginPanel");
        QTest::newRow("main window") << false;
        QTest::newRow("login panel") << true;
    }
    void f5Reloads()
    {
        QFETCH(bool, loginPanel);
        FixtureHttpServer server;
        server.route(QStringLiteral("/page"), FixtureHttpServer::Response::html("<title>p</title><p>page</p>"));
        std::unique_ptr<MainWindow> main;
        std::unique_ptr<DownloadWindow> downloads;
        Browser *browser = nullptr;
        QWidget *keyTarget = nullptr;
        if (loginPanel) {
            downloads = std::make_unique<DownloadWindow>();
            downloads->w->loginPanel()->showPanel(QString());
            browser = &downloads->w->loginPanel()->browser();
            keyTarget = downloads->w->loginPanel()->findChild<QWidget *>(QStringLiteral("Text1"));
        } else {
            main = std::make_unique<MainWindow>();
            browser = &main->w->browser();
            keyTarget = main->child<QWidget>("Check1");
        }
        QVERIFY(QTest::qWaitForWindowActive(keyTarget->window()));
        QSignalSpy loaded(browser, &Browser::documentComplete);
        browser->navigate(server.urlText(QStringLiteral("/page")));
        const auto pageRequests = [&server] {
            const auto requests = server.requests();
            return std::count_if(requests.cbegin(), requests.cend(),
                                 [](const FixtureHttpServer::Request &r) { return r.path == "/page"; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(pageRequests() == 1 && !browser->isBusy(), 30000);
        loaded.clear();

        keyTarget->setFocus();
        QTest::keyClick(keyTarget, Qt::Key_F5);
        QTRY_COMPARE_WITH_TIMEOUT(pageRequests(), 2, 30000);
        QVERIFY(!loaded.isEmpty() || loaded.wait(30000));
    }
};

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
