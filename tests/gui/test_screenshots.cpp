// The windows as a user sees them: the start-up window, the main window after harvesting a search on the fixture
// site, the save-target dialog, the copy tool, the options dialog, the about box, the browser-cache window, the
// download window after the found documents were downloaded, and its login panel with a site's login page. Checks
// that every caption has room, the lists show their columns and no two controls overlap, at each window's normal
// size and at its minimum size. With PH_SCREENSHOT_DIR set the eight windows and the login panel are also saved there
// as PNG files, each also as <name>-min.png at its minimum size (scripts/screenshots runs this under Xvfb with the
// CJK fonts).
#include "ModalAnswerer.h"
#include "WidgetChecks.h"
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadScheduler.h"
#include "core/net/Browser.h"
#include "core/run/RunFlags.h"
#include "core/search/ResultListModel.h"
#include "core/search/SaveTarget.h"
#include "core/search/SearchDriver.h"
#include "core/store/Settings.h"
#include "core/store/VisitedDatabase.h"
#include "gui/Form_BaoCun/Form_BaoCun.h"
#include "gui/Form_Copy_Move/Form_Copy_Move.h"
#include "gui/fCover/fCover.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/fFileDownload/login/LoginPanel.h"
#include "gui/fIEcache/fIEcache.h"
#include "gui/fOption/fOption.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "gui/frmAbout/frmAbout.h"
#include "support/FixtureHttpServer.h"
#include "support/ManualClock.h"
#include "support/ScholarSite.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QWindow>

namespace {
void save(QWidget *window, const QString &name)
{
    const QString dir = qEnvironmentVariable("PH_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    // Only for the picture: the browser paints its page some frames after the document completed.
    QTest::qWait(1000);
    // On a real display the screen holds what the browser drew too; offscreen only the widgets can paint it.
    QPixmap shot;
    if (QGuiApplication::platformName() == QLatin1String("xcb") && window->windowHandle())
        shot = window->screen()->grabWindow(window->winId());
    if (shot.isNull())
        shot = window->grab();
    QVERIFY(shot.save(QDir(dir).filePath(name)));
}

// The window shrunk to its minimum size, as a picture too: nothing cut, outside its parent or covered. The window
// gets its size back after.
void atMinimum(QWidget *window, const QString &name)
{
    const QSize before = window->size();
    const QSize least = window->minimumSize().isEmpty() ? window->minimumSizeHint() : window->minimumSize();
    window->resize(least);
    QTRY_COMPARE(window->size(), least);
    QCoreApplication::sendPostedEvents();
    save(window, name + QStringLiteral("-min.png"));
    const QStringList misplaced = WidgetChecks::misplacedControls(window);
    window->resize(before);
    QTRY_COMPARE(window->size(), before);
    QVERIFY2(misplaced.isEmpty(), qPrintable(name + QStringLiteral(": ") + misplaced.join(QStringLiteral("; "))));
}

// Text that does not fit its control would be cut: every visible caption must have its full width.
void captionsFit(QWidget *window)
{
    const auto labels = window->findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        if (!label->isVisibleTo(window) || label->text().isEmpty() || label->wordWrap())
            continue;
        QVERIFY2(label->width() >= label->minimumSizeHint().width(), qPrintable(label->text()));
    }
    const auto buttons = window->findChildren<QAbstractButton *>();
    for (const QAbstractButton *button : buttons) {
        if (!button->isVisibleTo(window) || button->text().isEmpty())
            continue;
        QVERIFY2(button->width() >= button->minimumSizeHint().width(), qPrintable(button->text()));
    }
}

// No two visible sibling controls overlap.
void nothingOverlaps(QWidget *window)
{
    QList<QWidget *> parents = window->findChildren<QWidget *>();
    parents << window;
    for (QWidget *parent : std::as_const(parents)) {
        QList<QWidget *> kids;
        for (QObject *o : parent->children()) {
            auto *w = qobject_cast<QWidget *>(o);
            // A picture behind the controls is meant to lie under them.
            if (auto *label = qobject_cast<QLabel *>(w); label && !label->pixmap().isNull())
                continue;
            if (w && w->isVisibleTo(window) && !w->isWindow() &&
                (qobject_cast<QAbstractButton *>(w) || qobject_cast<QLabel *>(w) || qobject_cast<QComboBox *>(w) ||
                 qobject_cast<QGroupBox *>(w) || qobject_cast<QPlainTextEdit *>(w)))
                kids << w;
        }
        for (int i = 0; i < kids.size(); ++i)
            for (int j = i + 1; j < kids.size(); ++j)
                QVERIFY2(!kids[i]->geometry().intersects(kids[j]->geometry()),
                         qPrintable(kids[i]->objectName() + QLatin1String(" / ") + kids[j]->objectName()));
    }
}
} // namespace

class TestScreenshots final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void windows()
    {
        TestHome home;
        SettingKeys::下载文件保存路径.write(home.filePath(QStringLiteral("下载文件")));
        FixtureHttpServer server;
        ScholarSite site(server);
        site.useAsSearchService();

        fCover cover;
        cover.show();
        QSignalSpy loaded(&cover, &fCover::loaded);
        QVERIFY(loaded.wait());
        QVERIFY(QTest::qWaitForWindowExposed(&cover));
        captionsFit(&cover);
        nothingOverlaps(&cover);
        save(&cover, QStringLiteral("fCover.png"));
        atMinimum(&cover, QStringLiteral("fCover"));

        cover.openMainWindow();
        fWebSearch *main = cover.mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(main));
        main->findChild<QPlainTextEdit *>(QStringLiteral("Text1"))->setPlainText(QStringLiteral("深度学习\n机器翻译"));
        main->findChild<QComboBox *>(QStringLiteral("Combo1"))->setCurrentIndex(0);
        {
            ModalAnswerer answer(QStringLiteral("Form_BaoCun"), QStringLiteral("Command2"));
            QSignalSpy finished(&main->driver(), &SearchDriver::batchFinished);
            main->findChild<QPushButton *>(QStringLiteral("Command3"))->click();
            QVERIFY(finished.wait(120000));
        }
        // Show the last result page, as the user would after a walk.
        QSignalSpy shown(&main->browser(), &Browser::documentComplete);
        main->browser().navigate(site.searchUrl(QStringLiteral("深度学习")));
        QVERIFY(shown.wait(30000));
        QCOMPARE(main->results().rowCount(), 8);
        QTreeView *list = main->findChild<QTreeView *>(QStringLiteral("ListView1"));
        // The list's own four columns show; the citation columns wait in the header's menu.
        QCOMPARE(list->header()->count() - list->header()->hiddenSectionCount(), 4);
        for (int c = 0; c < 4; ++c) {
            QVERIFY(!list->header()->isSectionHidden(c));
            QVERIFY(list->header()->sectionSize(c) > 0);
            QVERIFY(!list->model()->headerData(c, Qt::Horizontal).toString().trimmed().isEmpty());
        }
        // The panels lie one below the other.
        auto *web = main->findChild<QWidget *>(QStringLiteral("PicPanWeb"));
        auto *bar = main->findChild<QWidget *>(QStringLiteral("PicBar"));
        auto *listPanel = main->findChild<QWidget *>(QStringLiteral("PicPanList"));
        QVERIFY(web->geometry().bottom() < bar->geometry().top());
        QVERIFY(bar->geometry().bottom() < listPanel->geometry().top());
        // The search column and the browser beside it do not cover each other, and every search control is inside
        // the visible part of the column.
        auto *searchColumn = main->findChild<QWidget *>(QStringLiteral("PicSearchScroll"));
        auto *browserView = main->findChild<QWidget *>(QStringLiteral("WebBrowser1"));
        const QRect columnRect(searchColumn->mapTo(main, QPoint()), searchColumn->size());
        const QRect viewRect(browserView->mapTo(main, QPoint()), browserView->size());
        QVERIFY(!columnRect.intersects(viewRect));
        auto *column = main->findChild<QWidget *>(QStringLiteral("PicSearch"));
        const int visibleWidth = column->parentWidget()->width();
        for (QObject *o : column->children())
            if (auto *control = qobject_cast<QWidget *>(o); control && control->isVisibleTo(main))
                QVERIFY2(control->geometry().right() < visibleWidth, qPrintable(control->objectName()));
        captionsFit(main);
        nothingOverlaps(main);
        save(main, QStringLiteral("fWebSearch.png"));
        atMinimum(main, QStringLiteral("fWebSearch"));

        Form_BaoCun dialog(CurrentSaveTarget(), main);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        captionsFit(&dialog);
        nothingOverlaps(&dialog);
        save(&dialog, QStringLiteral("Form_BaoCun.png"));
        atMinimum(&dialog, QStringLiteral("Form_BaoCun"));
        dialog.close();

        // The copy tool as its opener shows it, with two files to copy.
        Form_Copy_Move copyTool(main);
        copyTool.fileList() << home.filePath(QStringLiteral("a.pdf")) << home.filePath(QStringLiteral("b.pdf"));
        copyTool.setWindowTitle(QStringLiteral("复制文件：2 个文件..."));
        copyTool.show();
        QVERIFY(QTest::qWaitForWindowExposed(&copyTool));
        captionsFit(&copyTool);
        nothingOverlaps(&copyTool);
        save(&copyTool, QStringLiteral("Form_Copy_Move.png"));
        atMinimum(&copyTool, QStringLiteral("Form_Copy_Move"));
        copyTool.close();

        // The options dialog as menu设置 opens it over the main window.
        fOption options(main);
        options.show();
        QVERIFY(QTest::qWaitForWindowExposed(&options));
        captionsFit(&options);
        nothingOverlaps(&options);
        save(&options, QStringLiteral("fOption.png"));
        atMinimum(&options, QStringLiteral("fOption"));
        options.close();
        // The about box as the help menu opens it.
        frmAbout about(main);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        captionsFit(&about);
        nothingOverlaps(&about);
        save(&about, QStringLiteral("frmAbout.png"));
        atMinimum(&about, QStringLiteral("frmAbout"));
        about.close();
        // The browser-cache window as menu查看IE浏览器缓存 opens it, showing what the harvest left in the cache.
        fIEcache cache(main);
        cache.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cache));
        QCoro::waitFor(cache.Command1_Click());
        captionsFit(&cache);
        nothingOverlaps(&cache);
        save(&cache, QStringLiteral("fIEcache.png"));
        atMinimum(&cache, QStringLiteral("fIEcache"));
        cache.close();

        // The download window after the analysis handed the found links over and its start button downloaded them
        // all (the test gives the download ticks their seconds).
        ManualClock clock;
        RecordingPrompt prompt;
        main->findChild<QAction *>(QStringLiteral("menu分析未分析项"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(main->flags().AnalysisIdle(), 60000);
        fFileDownload *downloads = fFileDownload::instance();
        QVERIFY(downloads && downloads->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(downloads));
        const DownloadListModel &downloadList = downloads->scheduler().list();
        QCOMPARE(downloadList.size(), 7);
        downloads->findChild<QPushButton *>(QStringLiteral("Command4"))->click();
        QVERIFY(
            clock.advanceUntil([&] { return downloadList.isFinished() && !downloads->scheduler().downloadsActive(); },
                               DownloadScheduler::kTickInterval, 300));
        QCOMPARE(downloadList.count(ItemState::Done), 7);
        // Every column of the finished rows but the folder (which takes what the window leaves) is wide enough for its
        // header and its entries.
        QTreeView *rows = downloads->listView();
        for (int c = 0; c < DownloadListModel::FolderColumn; ++c) {
            QStringList texts{downloadList.headerData(c, Qt::Horizontal).toString()};
            for (int r = 0; r < downloadList.size(); ++r)
                texts << downloadList.index(r, c).data().toString();
            for (const QString &text : std::as_const(texts))
                QVERIFY2(rows->fontMetrics().horizontalAdvance(text) < rows->columnWidth(c), qPrintable(text));
        }
        // Checked at the window's normal size (15000 by 10000 twips): on a first start it fills the screen, and the
        // offscreen screen is smaller than any desktop's.
        downloads->setWindowState(Qt::WindowNoState);
        downloads->resize(15000 / 15, 10000 / 15);
        // The picture first: when a check below fails, it shows what went wrong.
        save(downloads, QStringLiteral("fFileDownload.png"));
        captionsFit(downloads);
        nothingOverlaps(downloads);
        atMinimum(downloads, QStringLiteral("fFileDownload"));

        // The login panel over the list, with a site's login page opened by its Browse button.
        server.route(QStringLiteral("/login"),
                     FixtureHttpServer::Response::html(
                         "<html><head><title>用户登录</title></head><body><h3>用户登录</h3><form method='post'>"
                         "帐号 <input name='username'><br>密码 <input type='password' name='password'><br>"
                         "<input type='submit' value='登录'></form></body></html>",
                         "text/html; charset=utf-8"));
        downloads->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        auto *loginPanel = downloads->findChild<QWidget *>(QStringLiteral("PicWebBK"));
        QVERIFY(loginPanel->isVisible());
        QCOMPARE(loginPanel->geometry(), rows->geometry());
        downloads->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(server.urlText(QStringLiteral("/login")));
        downloads->findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("reader"));
        downloads->findChild<QLineEdit *>(QStringLiteral("Text3"))->setText(QStringLiteral("password"));
        QSignalSpy loginPage(&downloads->loginPanel()->browser(), &Browser::documentComplete);
        downloads->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
        QVERIFY(loginPage.wait(30000));
        QTRY_COMPARE(downloads->findChild<QLabel *>(QStringLiteral("Panel3"))->text(), QStringLiteral("用户登录"));
        save(downloads, QStringLiteral("fFileDownload-login.png"));
        captionsFit(downloads);
        nothingOverlaps(downloads);
        atMinimum(downloads, QStringLiteral("fFileDownload-login"));
        downloads->findChild<QPushButton *>(QStringLiteral("Command3"))->click();
        QVERIFY(!loginPanel->isVisible());
        QVERIFY(prompt.entries.isEmpty());
        QVERIFY(downloads->close());

        main->close();
        CloseVisitedDatabase();
    }
};

QTEST_MAIN(TestScreenshots)
#include "test_screenshots.moc"
