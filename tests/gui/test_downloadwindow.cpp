// The download window offscreen: its controls, the bindings to the scheduler, the list behaviour, closing with
// its question, the remembered placement, the tools-menu checks and the sounds.
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadScheduler.h"
#include "core/download/DownloadTexts.h"
#include "core/store/Settings.h"
#include "core/util/ClockTimer.h"
#include "gui/fFileDownload/DownloadListMenu.h"
#include "gui/fFileDownload/WindowPlacement.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/shell/Sound.h"
#include "support/FixtureHttpServer.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <memory>

namespace {
// A fresh data folder, a recording prompt and the window, closed without a question at the end.
struct WindowRig {
    TestHome home;
    RecordingPrompt prompt;
    QTemporaryDir dir;
    QPointer<fFileDownload> w;

    // `before` runs in the fresh data folder before the window loads (stored settings).
    explicit WindowRig(const std::function<void()> &before = {})
    {
        if (before)
            before();
        w = fFileDownload::ensure();
    }
    ~WindowRig()
    {
        if (w) {
            prompt.answers = {true};
            w->close();
            delete w.data();
        }
    }
    template <typename T> T *child(const char *name) const { return w->findChild<T *>(QString::fromUtf8(name)); }
    QString folder() const { return dir.path() + QLatin1Char('/'); }
    DownloadListModel &list() const { return w->scheduler().list(); }
    int addRow(const QString &name, ItemState state, const QString &type = QStringLiteral("pdf"))
    {
        DownloadItem item;
        item.address = QStringLiteral("http://h/") + name;
        item.name = name;
        item.type = type;
        item.folder = folder();
        item.state = state;
        list().append(item);
        return list().size() - 1;
    }
    QString panel(int n) const { return child<QLabel>(QStringLiteral("Panel%1").arg(n).toUtf8().constData())->text(); }
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}
} // namespace

class TestDownloadWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controlsAndCaptions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("Label4") << "Label4"
                                << "下载列表：";
        QTest::newRow("Label1") << "Label1"
                                << "0条";
        QTest::newRow("Label7") << "Label7"
                                << "下载方式：2";
        QTest::newRow("Command26") << "Command26"
                                   << "切换";
        QTest::newRow("Label2") << "Label2"
                                << "线程数：";
        QTest::newRow("Label8") << "Label8"
                                << "同名文件：";
        QTest::newRow("Option1") << "Option1"
                                 << "跳过";
        QTest::newRow("Option2") << "Option2"
                                 << "覆盖";
        QTest::newRow("Option3") << "Option3"
                                 << "重命名";
        QTest::newRow("Label5") << "Label5"
                                << "两个文件下载间隔：        秒";
        QTest::newRow("Command4") << "Command4"
                                  << "开始下载";
        QTest::newRow("Command31") << "Command31"
                                   << "停止下载";
        QTest::newRow("Check3") << "Check3"
                                << "自动重新下载：";
        QTest::newRow("Check4") << "Check4"
                                << "当有待下载项时，自动启动下载";
        QTest::newRow("Check5") << "Check5"
                                << "有5个以上下载出错或者网页文件，就停止下载";
        QTest::newRow("Check6") << "Check6"
                                << "声音提示";
        QTest::newRow("Command1") << "Command1"
                                  << "网页登录";
    }
    void controlsAndCaptions()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        WindowRig r;
        QWidget *control = r.w->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QString shown;
        if (auto *label = qobject_cast<QLabel *>(control))
            shown = label->text();
        else if (auto *button = qobject_cast<QAbstractButton *>(control))
            shown = button->text();
        QCOMPARE(shown, text);
    }

    void windowAtLoad()
    {
        WindowRig r;
        QCOMPARE(r.w->objectName(), QStringLiteral("fFileDownload"));
        QCOMPARE(r.w->windowTitle(), QStringLiteral("文件下载-PaperHarvest"));
        for (const char *name : {"Picture3", "Image1", "Shape1", "StatusBar1", "ListView3"})
            QVERIFY2(r.w->findChild<QWidget *>(QString::fromUtf8(name)), name);
        auto *combo2 = r.child<QComboBox>("Combo2");
        QCOMPARE(combo2->count(), 601);
        QCOMPARE(combo2->currentText(), QStringLiteral("0"));
        QCOMPARE(combo2->itemText(600), QStringLiteral("600"));
        QCOMPARE(r.child<QComboBox>("Combo4")->currentIndex(), 0);
        QCOMPARE(r.child<QComboBox>("Combo4")->count(), 3);
        QCOMPARE(r.child<QComboBox>("Combo1")->currentText(), QStringLiteral("3")); // stored position 2
        QVERIFY(r.child<QRadioButton>("Option3")->isChecked());
        QVERIFY(!r.child<QFrame>("Shape1")->isVisibleTo(r.w));
        QCOMPARE(r.child<QTreeView>("ListView3")->toolTip(), QStringLiteral("双击鼠标：下载当前项或者打开文件"));
        QCOMPARE(r.child<QPushButton>("Command26")->toolTip(), QStringLiteral("更改下载方式"));
        QVERIFY(r.child<ClockTimer>("Timer1")->isActive());
        QVERIFY(!r.child<ClockTimer>("Timer_Down")->isActive());
        QCOMPARE(r.w->statusBar()->findChildren<QLabel *>(QRegularExpression("^Panel")).size(), 4);
        for (const char *name :
             {"menu下载", "menu窗口", "menu工具", "menu帮助", "menu重新下载", "menu清除", "menu删除", "menu导出名称"})
            QVERIFY2(r.w->findChild<QMenu *>(QString::fromUtf8(name)), name);
        for (const char *name : {"menu下载全部",
                                 "menu停止下载",
                                 "menu取消下载选中项",
                                 "menu全选专利列表",
                                 "menu全不选",
                                 "menu随机排序列表",
                                 "menu自动列宽",
                                 "menu重新下载选中项",
                                 "menu重新下载出错项",
                                 "menu重新下载文件类型为HTM和HTML项",
                                 "menu重新下载出错项和网页项",
                                 "menu重新下载文件大小小于指定数字的项",
                                 "menu清除选中项",
                                 "menu清除全部出错项",
                                 "menu清除完成项",
                                 "menu清空",
                                 "menu删除网页类型文件项",
                                 "menu删除出错项",
                                 "menu打开下载文件",
                                 "menu打开文件所在文件夹",
                                 "menu用记事本打开文件",
                                 "menu复制名称",
                                 "menu批量替换网址",
                                 "menu打开网址",
                                 "menu导出全部名称",
                                 "menu导出未完成项名称",
                                 "menu退出本下载窗口",
                                 "menu资料检索分析窗口",
                                 "设置",
                                 "menu自动定位到下载项",
                                 "menu检查文件是否存在",
                                 "menu检查并纠正磁盘文件类型",
                                 "menu打开文件判断类型",
                                 "menu清空IE浏览器缓存",
                                 "关于"})
            QVERIFY2(r.w->findChild<QAction *>(QString::fromUtf8(name)), name);
    }

    void threadBoxFollowsModeAndSwitch()
    {
        WindowRig r([] { SettingKeys::线程.write(5); });
        auto *combo1 = r.child<QComboBox>("Combo1");
        QCOMPARE(combo1->currentText(), QStringLiteral("6"));
        QVERIFY(combo1->isEnabled());
        QCOMPARE(r.w->scheduler().threads(), 6);
        r.child<QPushButton>("Command26")->click();
        QCOMPARE(r.child<QLabel>("Label7")->text(), QStringLiteral("下载方式：1"));
        QCOMPARE(combo1->currentText(), QStringLiteral("1"));
        QVERIFY(!combo1->isEnabled());
        r.child<QPushButton>("Command26")->click();
        QCOMPARE(r.child<QLabel>("Label7")->text(), QStringLiteral("下载方式：2"));
        QCOMPARE(combo1->currentText(), QStringLiteral("1"));
        QVERIFY(combo1->isEnabled());
        combo1->setCurrentIndex(3);
        QCOMPARE(r.w->scheduler().threads(), 4);
    }

    void controlsDriveTheScheduler()
    {
        WindowRig r;
        DownloadScheduler &s = r.w->scheduler();
        r.child<QCheckBox>("Check4")->setChecked(true);
        r.child<QCheckBox>("Check3")->setChecked(true);
        r.child<QCheckBox>("Check5")->setChecked(true);
        r.child<QCheckBox>("Check6")->setChecked(true);
        r.child<QComboBox>("Combo4")->setCurrentIndex(2);
        r.child<QComboBox>("Combo2")->setCurrentIndex(45);
        r.child<QRadioButton>("Option1")->setChecked(true);
        QVERIFY(s.autoStart() && s.autoReDownload() && s.stopRule() && s.soundEnabled());
        QCOMPARE(s.reDownloadRows(), DownloadScheduler::ReDownload::FailedAndPages);
        QCOMPARE(s.pauseSeconds(), 45);
        QCOMPARE(s.sameNameChoice(), QStringLiteral("跳过"));
        r.child<QPushButton>("Command4")->click();
        QVERIFY(s.isRunning());
        // The stop button unchecks automatic start and re-download in the window too.
        r.child<QPushButton>("Command31")->click();
        QVERIFY(!s.isRunning());
        QVERIFY(!r.child<QCheckBox>("Check4")->isChecked());
        QVERIFY(!r.child<QCheckBox>("Check3")->isChecked());
    }

    void supervisionUpdatesIndicators()
    {
        ManualClock clock;
        WindowRig r;
        r.addRow("a", ItemState::Waiting);
        r.addRow("b", ItemState::Failed);
        QVERIFY(clock.advance(std::chrono::seconds(1)));
        QTRY_COMPARE(r.panel(4), QStringLiteral("总数:2 正在下载:0 等待:1 已完成:0 失败:1"));
        QAction *startAll = r.child<QAction>("menu下载全部");
        QVERIFY(startAll->isEnabled());
        // No engine picks the row up here: the scheduler runs, the indicators follow within a tick.
        r.w->scheduler().StartDownloads();
        QVERIFY(clock.advance(std::chrono::seconds(1)));
        QTRY_VERIFY(r.child<QFrame>("Shape1")->isVisibleTo(r.w));
        QVERIFY(!startAll->isEnabled());
        r.child<QPushButton>("Command31")->click();
        QVERIFY(clock.advance(std::chrono::seconds(1)));
        QTRY_VERIFY(!r.child<QFrame>("Shape1")->isVisibleTo(r.w));
        QVERIFY(startAll->isEnabled());
    }

    void countRewrittenOnActivation()
    {
        WindowRig r;
        r.w->加入下载列表("http://h/1", "one", "pdf", r.folder(), "");
        r.w->加入下载列表("http://h/2", "two", "pdf", r.folder(), "");
        r.w->加入下载列表("http://h/1", "again", "pdf", r.folder(), "");
        QCOMPARE(r.list().size(), 2);
        QCOMPARE(r.child<QLabel>("Label1")->text(), QStringLiteral("0条")); // adding does not rewrite it
        r.w->show();
        QApplication::setActiveWindow(r.w);
        QTRY_COMPARE(r.child<QLabel>("Label1")->text(), QStringLiteral("2条"));
    }

    void closing_data()
    {
        QTest::addColumn<QList<int>>("states");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closed");
        const int D = int(ItemState::Done), F = int(ItemState::Failed), W = int(ItemState::Waiting);
        QTest::newRow("done and failed rows: no question") << QList<int>{D, F} << false << false << true;
        QTest::newRow("empty list: no question") << QList<int>{} << false << false << true;
        QTest::newRow("a waiting row, answered no") << QList<int>{D, W} << false << true << false;
        QTest::newRow("a waiting row, answered yes") << QList<int>{D, W} << true << true << true;
    }
    void closing()
    {
        QFETCH(QList<int>, states);
        QFETCH(bool, answer);
        QFETCH(bool, asked);
        QFETCH(bool, closed);
        WindowRig r;
        for (int i = 0; i < states.size(); ++i)
            r.addRow(QString::number(i), ItemState(states.at(i)));
        r.child<QRadioButton>("Option2")->setChecked(true);
        r.w->scheduler().switchEngine();
        r.w->show();
        r.prompt.answers = {answer};
        r.w->close();
        QCOMPARE(r.prompt.texts().contains(DownloadTexts::kForceCloseQuestion), asked);
        // The same-name choice and the mode are stored either way.
        QCOMPARE(SettingKeys::重复文件名设置.read(), QStringLiteral("覆盖"));
        QCOMPARE(SettingKeys::下载方式.read(), 1);
        if (closed) {
            QTRY_VERIFY(!r.w);
            QVERIFY(!fFileDownload::instance());
            QCOMPARE(SettingKeys::线程.read(), 0);
            // A new window starts with an empty list.
            r.w = fFileDownload::ensure();
            QCOMPARE(r.list().size(), 0);
        } else {
            QVERIFY(r.w->isVisible());
            QCOMPARE(r.list().size(), states.size());
        }
    }

    // Closing the window in the middle of its downloads (each engine), and in the middle of a download whose server
    // then drops the connection: the window goes at once, and the transfers' late answers touch nothing of it.
    void closingInTheMiddleOfDownloads_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("serverGoesFirst"); // the connections end before the window is closed
        QTest::newRow("engine 1") << 1 << false;
        QTest::newRow("engine 2") << 2 << false;
        QTest::newRow("engine 1, connection dropped while closing") << 1 << true;
        QTest::newRow("engine 2, connections dropped while closing") << 2 << true;
    }
    void closingInTheMiddleOfDownloads()
    {
        QFETCH(int, mode);
        QFETCH(bool, serverGoesFirst);
        auto server = std::make_unique<FixtureHttpServer>();
        FixtureHttpServer::Response stalled =
            FixtureHttpServer::Response::text(QByteArray(50000, 'x'), "application/pdf");
        stalled.stallAfterBodyBytes = 1000;
        for (int i = 0; i < 3; ++i)
            server->route(QStringLiteral("/doc%1.pdf").arg(i), stalled);
        WindowRig r([mode] {
            SettingKeys::下载方式.write(mode);
            SettingKeys::线程.write(1);
        });
        r.w->setAttribute(Qt::WA_DeleteOnClose);
        r.w->show();
        for (int i = 0; i < 3; ++i)
            r.w->加入下载列表(server->url(QStringLiteral("/doc%1.pdf").arg(i)).toString(),
                              QStringLiteral("doc%1").arg(i), "pdf", r.folder(), "");
        r.child<QPushButton>("Command4")->click();
        // A transfer is under way: its request reached the server, whose answer stalls after the first bytes.
        QTRY_VERIFY_WITH_TIMEOUT(!server->requests().isEmpty() && r.list().item(0).state == ItemState::Downloading,
                                 30000);
        r.prompt.answers = {true};
        if (serverGoesFirst) {
            server.reset();
            r.w->close();
        } else {
            r.w->close();
            server.reset();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!r.w, 30000);
        // What the broken connections still bring arrives now, with no window left to take it.
        FixtureHttpServer another;
        another.route(QStringLiteral("/after"), FixtureHttpServer::Response::text("after"));
        QNetworkAccessManager network;
        std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(another.url(QStringLiteral("/after")))));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QVERIFY(finished.wait(30000));
        QCOMPARE(QDir(r.folder()).entryList({QStringLiteral("*.pdf")}, QDir::Files), QStringList());
    }

    void placementRoundTrip()
    {
        WindowRig r;
        r.w->showNormal();
        r.w->setGeometry(40, 60, 700, 500);
        const QRect before(r.w->pos(), r.w->size());
        r.prompt.answers = {true};
        r.w->close();
        QTRY_VERIFY(!r.w);
        QCOMPARE(SettingKeys::下载窗口分辨率.read(), ScreenResolutionText());
        r.w = fFileDownload::ensure();
        QVERIFY(!r.w->isMaximized());
        QCOMPARE(r.w->size(), before.size());
        QCOMPARE(r.w->pos(), before.topLeft());
        r.w->showMaximized();
        r.w->close();
        QTRY_VERIFY(!r.w);
        QCOMPARE(SettingKeys::下载窗口分辨率.read(), QStringLiteral("0*0"));
        r.w = fFileDownload::ensure();
        QVERIFY(r.w->windowState() & Qt::WindowMaximized);
    }

    void placementRules_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("top");
        QTest::addColumn<double>("width");
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<QRect>("rect");
        QTest::newRow("same resolution") << "1920*1080" << 1500.0 << 15000.0 << false << QRect(10, 100, 1000, 200);
        QTest::newRow("narrow width grows to 4000 twips")
            << "1920*1080" << 1500.0 << 2000.0 << false << QRect(10, 100, 267, 200);
        QTest::newRow("negative top becomes 0") << "1920*1080" << -300.0 << 15000.0 << false << QRect(10, 0, 1000, 200);
        QTest::newRow("other resolution") << "1366*768" << 1500.0 << 15000.0 << true << QRect();
        QTest::newRow("closed maximised") << "0*0" << 1500.0 << 15000.0 << true << QRect();
        QTest::newRow("never saved") << "000" << 100.0 << 15000.0 << true << QRect();
    }
    void placementRules()
    {
        QFETCH(QString, stored);
        QFETCH(double, top);
        QFETCH(double, width);
        QFETCH(bool, maximized);
        QFETCH(QRect, rect);
        const PlacementDecision d = DecidePlacement(stored, top, 150, width, 3000, "1920*1080");
        QCOMPARE(d.maximized, maximized);
        if (!maximized)
            QCOMPARE(d.rect, rect);
    }

    void clickAndDoubleClick()
    {
        WindowRig r;
        const int present = r.addRow("present", ItemState::Done);
        const int gone = r.addRow("gone", ItemState::Done);
        const int failed = r.addRow("failed", ItemState::Failed);
        r.list().update(failed, [](DownloadItem &it) {
            it.size = it.downloaded = QStringLiteral("10");
            it.percent = QStringLiteral("50%");
        });
        writeFile(r.folder() + "present.pdf", "%PDF");
        r.w->show();
        QTreeView *view = r.child<QTreeView>("ListView3");
        auto clickRow = [&](int row) {
            view->setCurrentIndex(r.list().index(row, 0));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(r.list().index(row, 0)).center());
        };
        clickRow(present);
        QCOMPARE(r.panel(2), r.folder() + "present.pdf");
        clickRow(gone);
        QCOMPARE(r.panel(2), QString());

        view->setCurrentIndex(r.list().index(gone, 0));
        Q_EMIT view->doubleClicked(r.list().index(gone, 0));
        QCOMPARE(r.prompt.texts(), QStringList{"文件不存在！"});
        QCOMPARE(r.prompt.entries.last().icon, Prompt::Icon::Critical);
        QCOMPARE(r.list().item(gone).state, ItemState::Done);

        view->setCurrentIndex(r.list().index(failed, 0));
        Q_EMIT view->doubleClicked(r.list().index(failed, 0));
        QCOMPARE(r.list().item(failed).state, ItemState::Waiting);
        QVERIFY(r.list().item(failed).percent.isEmpty() && r.list().item(failed).size.isEmpty());
    }

    void contextMenuGuards()
    {
        WindowRig r;
        auto *menu = r.child<DownloadListMenu>("menu下载");
        for (bool busy : {true, false}) {
            r.w->scheduler().setBusyFlag(busy);
            menu->updateGuards();
            QCOMPARE(r.child<QAction>("menu清除")->isEnabled(), !busy);
            QCOMPARE(r.child<QAction>("menu清空")->isEnabled(), !busy);
            QCOMPARE(r.child<QAction>("menu全选专利列表")->isEnabled(), !busy);
            QCOMPARE(r.child<QAction>("menu停止下载")->isEnabled(), busy);
        }
        r.w->scheduler().StartDownloads();
        menu->updateGuards();
        QVERIFY(!r.child<QAction>("menu清空")->isEnabled());
    }

    void fileChecks()
    {
        WindowRig r;
        const int missing = r.addRow("missing", ItemState::Done);
        const int page = r.addRow("page", ItemState::Done);
        writeFile(r.folder() + "page.pdf", "<HTML lang=en><head><title>login</title></head></html>");
        r.child<QAction>("menu检查文件是否存在")->trigger();
        QCOMPARE(r.list().item(missing).percent, QStringLiteral("不存在"));
        QCOMPARE(r.list().item(missing).state, ItemState::Done);
        QVERIFY(r.list().item(page).percent.isEmpty());

        r.w->scheduler().StartDownloads();
        r.child<QAction>("menu检查并纠正磁盘文件类型")->trigger();
        QCOMPARE(r.prompt.texts().last(), QStringLiteral("停止下载以后，才能执行此操作！"));
        QCOMPARE(r.list().item(page).type, QStringLiteral("pdf"));
        r.w->scheduler().StopAllDownloads();
        r.child<QAction>("menu检查并纠正磁盘文件类型")->trigger();
        QCOMPARE(r.prompt.texts().last(), QStringLiteral("纠正文件类型：1个."));
        QCOMPARE(r.list().item(page).type, QStringLiteral("htm"));
        QVERIFY(QFile::exists(r.folder() + "page.htm"));

        r.w->reportFileType(r.folder() + "page.htm");
        QCOMPARE(r.prompt.texts().last(), QStringLiteral("文件类型为：htm"));
        writeFile(r.folder() + "noise.bin", "just some words");
        r.w->reportFileType(r.folder() + "noise.bin");
        QCOMPARE(r.prompt.texts().last(), QStringLiteral("目前还无法判断。"));
        QCOMPARE(r.prompt.entries.last().icon, Prompt::Icon::Information);
    }

    void cancelSelectedFromTheMenu()
    {
        WindowRig r;
        r.addRow("a", ItemState::Waiting);
        r.addRow("b", ItemState::Waiting);
        QTreeView *view = r.child<QTreeView>("ListView3");
        view->selectionModel()->select(r.list().index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        r.child<QAction>("menu取消下载选中项")->trigger();
        QCOMPARE(r.list().item(0).state, ItemState::Waiting);
        QCOMPARE(r.list().item(1).state, ItemState::Failed);
    }

    void clearingAndExporting()
    {
        WindowRig r;
        r.addRow("one", ItemState::Done);
        r.addRow("二", ItemState::Failed);
        r.addRow("three", ItemState::Done);
        auto *menu = r.child<DownloadListMenu>("menu下载");

        // While the scheduler runs the list keeps its rows.
        r.w->scheduler().StartDownloads();
        r.child<QAction>("menu清除完成项")->trigger();
        QCOMPARE(r.prompt.texts().last(), QStringLiteral("停止下载以后，才能执行此操作！"));
        QCOMPARE(r.list().size(), 3);
        r.w->scheduler().StopAllDownloads();

        const QString path = r.folder() + "names.txt";
        menu->exportNamesTo(path, true);
        QFile exported(path);
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QCOMPARE(exported.readAll(), QByteArray("\xb6\xfe\r\n")); // 二 in GBK

        // Through the menu, a name typed without an extension is saved with ".txt".
        QTimer::singleShot(0, r.w.data(), [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->setDirectory(r.folder());
            dialog->selectFile(QStringLiteral("typed"));
            static_cast<QDialog *>(dialog)->accept(); // as its Save button does
        });
        r.child<QAction>("menu导出全部名称")->trigger();
        QFile typed(r.folder() + "typed.txt");
        QVERIFY(typed.open(QIODevice::ReadOnly));
        QVERIFY(typed.readAll().contains("\xb6\xfe\r\n"));
        QVERIFY(!QFileInfo::exists(r.folder() + "typed"));

        r.child<QAction>("menu清除完成项")->trigger();
        QCOMPARE(r.list().size(), 1);
        QCOMPARE(r.child<QLabel>("Label1")->text(), QStringLiteral("1条"));
        r.prompt.answers = {false};
        r.child<QAction>("menu清空")->trigger();
        QCOMPARE(r.prompt.texts().last(), QStringLiteral("您确定要清空列表的所有信息吗？"));
        QCOMPARE(r.list().size(), 1);
        r.prompt.answers = {true};
        r.child<QAction>("menu清空")->trigger();
        QCOMPARE(r.list().size(), 0);
        QCOMPARE(r.child<QLabel>("Label1")->text(), QStringLiteral("0条"));
    }

    void headerClickSorts()
    {
        WindowRig r;
        for (const char *size : {"5", "700", "60"}) {
            const int row = r.addRow(QString::fromLatin1(size), ItemState::Done);
            r.list().setSize(row, QString::fromLatin1(size));
        }
        auto *menu = r.child<DownloadListMenu>("menu下载");
        menu->sortByColumn(DownloadListModel::SizeColumn); // the first click sorts descending
        QCOMPARE(r.list().item(0).size, QStringLiteral("700"));
        menu->sortByColumn(DownloadListModel::SizeColumn);
        QCOMPARE(r.list().item(0).size, QStringLiteral("5"));
        r.w->scheduler().setBusyFlag(true);
        menu->sortByColumn(DownloadListModel::NameColumn);
        QCOMPARE(r.prompt.texts().last(), QStringLiteral("停止下载后方可排序！"));
        QCOMPARE(r.list().item(0).size, QStringLiteral("5"));
    }

    // The window's own engines fetch real files from a loopback server: documents arrive, a web page sent for a
    // pdf row ends with the page's type, and the list finishes with the scheduler stopped.
    void downloadsWithTheRealEngines_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("engine 1") << 1;
        QTest::newRow("engine 2, three slots") << 2;
    }
    void downloadsWithTheRealEngines()
    {
        QFETCH(int, mode);
        ManualClock clock;
        FixtureHttpServer server;
        const QByteArray pdf = QByteArray("%PDF-1.4\n") + QByteArray(5000, 'x');
        for (int i = 0; i < 4; ++i)
            server.route(QStringLiteral("/doc%1.pdf").arg(i).toUtf8(),
                         FixtureHttpServer::Response::text(pdf, "application/pdf"));
        server.route("/login.pdf",
                     FixtureHttpServer::Response::html(
                         "<html lang=zh><head><title>login</title></head><body>please log in</body></html>"));
        WindowRig r([mode] {
            SettingKeys::下载方式.write(mode);
            SettingKeys::线程.write(2);
        });
        for (int i = 0; i < 4; ++i)
            r.w->加入下载列表(server.url(QStringLiteral("/doc%1.pdf").arg(i)).toString(),
                              QStringLiteral("doc%1").arg(i), "pdf", r.folder(), "");
        r.w->加入下载列表(server.url("/login.pdf").toString(), "login", "pdf", r.folder(), "");
        r.child<QPushButton>("Command4")->click();
        QVERIFY(clock.advanceUntil([&] { return r.list().isFinished() && !r.w->scheduler().isRunning(); },
                                   DownloadScheduler::kTickInterval, 200));
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(r.list().item(i).state, ItemState::Done);
            QFile file(r.folder() + QStringLiteral("doc%1.pdf").arg(i));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), pdf);
        }
        QCOMPARE(r.list().item(4).type, QStringLiteral("htm"));
        QVERIFY(QFile::exists(ItemFilePath(r.list().item(4))));
        QVERIFY(clock.advance(DownloadScheduler::kTickInterval));
        QTRY_COMPARE(r.panel(4), QStringLiteral("总数:5 正在下载:0 等待:0 已完成:5 失败:0"));
    }

    void soundFilesComeFromTheProgram()
    {
        TestHome home;
        const QString path = SoundFilePath(102);
        QCOMPARE(path, home.filePath("102.wav"));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QVERIFY(bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WAVE");
        QVERIFY(bytes.size() > 1000);
        // A file the user put there is played as it is.
        writeFile(home.filePath("101.wav"), "mine");
        QCOMPARE(SoundFilePath(101), home.filePath("101.wav"));
        QFile mine(home.filePath("101.wav"));
        QVERIFY(mine.open(QIODevice::ReadOnly));
        QCOMPARE(mine.readAll(), QByteArray("mine"));
        // A number the program has no sound for writes and plays nothing.
        QVERIFY(SoundFilePath(104).isEmpty());
        QVERIFY(!QFile::exists(home.filePath("104.wav")));
        PlaySoundNumber(103);
        QVERIFY(QFile::exists(home.filePath("103.wav")));
    }
};

QTEST_MAIN(TestDownloadWindow)
#include "test_downloadwindow.moc"
