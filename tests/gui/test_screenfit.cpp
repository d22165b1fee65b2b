#include "core/store/Settings.h"
#include "gui/fCover/fCover.h"
#include "gui/fFileDownload/WindowPlacement.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "gui/shell/ScreenFit.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

namespace {
QRect available()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// The whole window as the user sees it, frame included, and its status bar on the screen.
bool onScreen(const QWidget *window)
{
    return available().contains(window->frameGeometry());
}

QString describe(const QWidget *window)
{
    const QRect f = window->frameGeometry();
    return QStringLiteral("%1: frame %2,%3 %4x%5 on %6x%7")
        .arg(window->objectName())
        .arg(f.x())
        .arg(f.y())
        .arg(f.width())
        .arg(f.height())
        .arg(available().width())
        .arg(available().height());
}
} // namespace

// Windows on a 1280 by 800 screen: every one lies within the screen's available area, frame included.
class TestScreenFit final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QCOMPARE(QGuiApplication::primaryScreen()->size(), QSize(1280, 800)); }

    void fitInside_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QSize>("wanted");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QRect>("at");
        QTest::addColumn<QRect>("inner");
        const QRect screen(0, 0, 1280, 800);
        // Frame: 4 at the sides and the bottom, 40 above.
        QTest::newRow("too high: shrunk to the room")
            << screen << QSize(1200, 800) << QSize(600, 333) << QRect() << QRect(40, 40, 1200, 756);
        QTest::newRow("fits: centred") << screen << QSize(640, 420) << QSize() << QRect() << QRect(320, 208, 640, 420);
        QTest::newRow("kept where it fits")
            << screen << QSize(640, 420) << QSize() << QRect(10, 50, 640, 420) << QRect(10, 50, 640, 420);
        QTest::newRow("bottom edge out: moved in")
            << screen << QSize(640, 420) << QSize() << QRect(600, 500, 640, 420) << QRect(320, 208, 640, 420);
        QTest::newRow("a panel on top") << QRect(0, 32, 1280, 768) << QSize(1200, 800) << QSize() << QRect()
                                        << QRect(40, 72, 1200, 724);
        QTest::newRow("minimum above the room: the room")
            << QRect(0, 0, 800, 600) << QSize(1200, 800) << QSize(900, 700) << QRect() << QRect(4, 40, 792, 556);
    }
    void fitInside()
    {
        QFETCH(QRect, area);
        QFETCH(QSize, wanted);
        QFETCH(QSize, minimum);
        QFETCH(QRect, at);
        QFETCH(QRect, inner);
        QCOMPARE(FitInside(area, QMargins(4, 40, 4, 4), wanted, minimum, at), inner);
    }

    // The main window with its status bar, at its first opening and again after it was closed and reopened; the
    // usage window it opens from its help menu.
    void mainAndUsageWindows()
    {
        TestHome home;
        RecordingPrompt prompt;
        SettingKeys::下载文件保存路径.write(home.filePath(QStringLiteral("out")));
        fCover cover;
        cover.show();
        QSignalSpy loaded(&cover, &fCover::loaded);
        QVERIFY(loaded.wait());
        QVERIFY2(onScreen(&cover), qPrintable(describe(&cover)));
        for (int opening = 0; opening < 2; ++opening) {
            cover.openMainWindow();
            QPointer<fWebSearch> main = cover.mainWindow();
            QVERIFY(QTest::qWaitForWindowExposed(main));
            QVERIFY2(onScreen(main), qPrintable(describe(main)));
            const QStatusBar *status = main->statusBar();
            QVERIFY(available().contains(QRect(status->mapToGlobal(QPoint(0, 0)), status->size())));
            if (opening == 0) {
                main->findChild<QAction *>(QStringLiteral("menu软件使用方法"))->trigger();
                QWidget *usage = nullptr;
                for (QWidget *w : QApplication::topLevelWidgets())
                    if (w->objectName() == QLatin1String("use") && w->isVisible())
                        usage = w;
                QVERIFY(usage);
                QVERIFY(QTest::qWaitForWindowExposed(usage));
                QVERIFY2(onScreen(usage), qPrintable(describe(usage)));
                usage->close();
            }
            QVERIFY(main->close());
            QTRY_VERIFY(!main);
        }
    }

    // The download window's remembered rectangle comes back inside the screen even when it no longer fits there.
    void downloadWindowPlacement()
    {
        TestHome home;
        SettingKeys::下载窗口分辨率.write(QStringLiteral("1280*800"));
        SettingKeys::下载窗口上.write(500 * 15.0);
        SettingKeys::下载窗口左.write(900 * 15.0);
        SettingKeys::下载窗口宽.write(1000 * 15.0);
        SettingKeys::下载窗口高.write(700 * 15.0);
        QWidget window;
        window.setObjectName(QStringLiteral("fFileDownload"));
        RestoreWindowPlacement(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY2(onScreen(&window), qPrintable(describe(&window)));
        QCOMPARE(window.size(), QSize(1000, 700));
    }
};

QTEST_MAIN(TestScreenFit)
#include "test_screenfit.moc"
