// The options dialog offscreen, driven through its own controls: what it shows, what OK writes and what the
// program then does differently without a restart (engine, download proxy, size limit, save-folder question,
// proxy rotation), Cancel, the keyboard and the refusal of nonsense.
#include "ModalAnswerer.h"
#include "core/analysis/ProxyRotation.h"
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadScheduler.h"
#include "core/download/DownloadSettings.h"
#include "core/net/Browser.h"
#include "core/search/ResultListModel.h"
#include "core/search/SaveFolderQuestion.h"
#include "core/store/Settings.h"
#include "core/util/DataFolder.h"
#include "core/util/TextFile.h"
#include "gui/fCover/fCover.h"
#include "gui/fFileDownload/DownloadWindowHooks.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/fOption/fOption.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "support/FixtureHttpServer.h"
#include "support/HoldingProxy.h"
#include "support/ManualClock.h"
#include "support/ProxyEchoSite.h"
#include "support/ScholarSite.h"
#include "support/ScopedEnvironment.h"
#include "support/TestEnvironment.h"
#include "support/TinyProxy.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Takes the addresses the program hands to the desktop instead of opening a browser.
class UrlCatcher final : public QObject
{
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }
    QStringList urls;
public Q_SLOTS:
    void openUrl(const QUrl &url) { urls << url.toString(); }
};

namespace {
using namespace std::chrono_literals;
using Response = FixtureHttpServer::Response;

// The dialog's controls by the names the program gives them.
struct Dialog {
    explicit Dialog(QWidget *d) : dialog(d) {}
    template <typename T> T *child(const char *name) const { return dialog->findChild<T *>(QString::fromUtf8(name)); }
    QRadioButton *option3(int index) const
    {
        for (auto *b : dialog->findChildren<QRadioButton *>(QStringLiteral("Option3")))
            if (b->property("index").toInt() == index)
                return b;
        return nullptr;
    }
    void type(const char *name, const QString &text) const { child<QLineEdit>(name)->setText(text); }
    void ok() const { child<QPushButton>("Command1")->click(); }
    QPlainTextEdit *text2() const { return child<QPlainTextEdit>("Text2"); }
    QPlainTextEdit *text3() const { return child<QPlainTextEdit>("Text3"); }
    QPushButton *command3() const { return child<QPushButton>("Command3"); }
    QProgressBar *progressBar1() const { return child<QProgressBar>("ProgressBar1"); }
    QWidget *dialog;
};

// "127.0.0.1:<port>" where nothing listens.
QString deadAddress()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
}

QString summary(int lines, int valid, int invalid, int notTested)
{
    return QStringLiteral("代理IP一共：%1个，验证后有效的有：%2个，无效的有：%3个，未验证的有：%4个。")
        .arg(lines)
        .arg(valid)
        .arg(invalid)
        .arg(notTested);
}

// Runs `act` on the modal window named `name` once it is up (a modal dialog blocks the test's own code).
class WhenModal final : public QObject
{
public:
    WhenModal(QString name, std::function<void(QWidget *)> act) : m_name(std::move(name)), m_act(std::move(act))
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || modal->objectName() != m_name)
                return;
            m_timer.stop();
            ++ran;
            m_act(modal);
        });
        m_timer.start();
    }
    int ran = 0;

private:
    QString m_name;
    std::function<void(QWidget *)> m_act;
    QTimer m_timer;
};

QString readIpFile()
{
    return TextFile::readText(DataFolder::filePath(QStringLiteral("ip.txt"))).value_or(QString());
}

// A fresh data folder and the download window, closed without a question at the end.
struct DownloadRig {
    TestHome home;
    RecordingPrompt prompt;
    QTemporaryDir dir;
    QPointer<fFileDownload> w;
    explicit DownloadRig(int mode)
    {
        SettingKeys::下载方式.write(mode);
        w = fFileDownload::ensure();
    }
    ~DownloadRig()
    {
        if (w) {
            prompt.answers = {true};
            w->close();
            delete w.data();
        }
    }
    QString folder() const { return dir.path() + QLatin1Char('/'); }
    DownloadListModel &list() const { return w->scheduler().list(); }
    template <typename T> T *child(const char *name) const { return w->findChild<T *>(QString::fromUtf8(name)); }
    // Downloads one address to its end.
    bool download(const QString &address, const QString &name)
    {
        w->加入下载列表(address, name, QStringLiteral("pdf"), folder(), QString());
        child<QPushButton>("Command4")->click();
        return ManualClock::advanceUntil([&] { return list().isFinished() && !w->scheduler().isRunning(); },
                                         DownloadScheduler::kTickInterval, 200);
    }
};

// A main window on a fresh data folder.
struct MainRig {
    MainRig()
    {
        SettingKeys::下载文件保存路径.write(home.filePath(QStringLiteral("out")));
        w = std::make_unique<fWebSearch>();
        w->show();
    }
    // Opens the options dialog through menu设置 and lets `act` work on it.
    void options(const std::function<void(const Dialog &)> &act)
    {
        WhenModal when(QStringLiteral("fOption"), [&](QWidget *d) { act(Dialog(d)); });
        w->findChild<QAction *>(QStringLiteral("menu设置"))->trigger();
        QCOMPARE(when.ran, 1);
    }
    TestHome home;
    RecordingPrompt prompt;
    std::unique_ptr<fWebSearch> w;
};
} // namespace

class TestFOption final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // As the start-up window does.
    void initTestCase() { fOption::installDownloadWindowHook(); }
    void init() { SaveFolderQuestion::enabled() = true; }

    void captions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("Option1") << "Option1"
                                 << "下载方式一 (支持HTTP，单线程，代理服务器下载)";
        QTest::newRow("Option2") << "Option2"
                                 << "下载方式二 (支持HTTP，多线程下载)";
        QTest::newRow("Check1") << "Check1"
                                << "下载使用代理服务器";
        QTest::newRow("Label14") << "Label14"
                                 << "地址：";
        QTest::newRow("Label15") << "Label15"
                                 << "端口：";
        QTest::newRow("Label10") << "Label10"
                                 << "(如：3128 或者 80 等等)";
        QTest::newRow("Check2") << "Check2"
                                << "提取网页信息时，提示下载保存路径";
        QTest::newRow("Label2") << "Label2"
                                << "下载文件大小不超过：       MB";
        QTest::newRow("Command3") << "Command3"
                                  << "验证代理IP的有效性";
        QTest::newRow("Label4") << "Label4"
                                << "响应速度：          秒内";
        QTest::newRow("Label5") << "Label5"
                                << "验证后的无效代理IP：";
        QTest::newRow("Command1") << "Command1"
                                  << "确定";
        QTest::newRow("Command2") << "Command2"
                                  << "取消";
    }
    void captions()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        TestHome home;
        fOption d;
        auto *w = d.findChild<QWidget *>(name);
        QVERIFY2(w, qPrintable(name));
        QString shown;
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            shown = b->text();
        else if (auto *l = qobject_cast<QLabel *>(w))
            shown = l->text();
        QCOMPARE(shown, text);
        QCOMPARE(d.windowTitle(), QStringLiteral("设置"));
        QCOMPARE(d.findChild<QGroupBox *>(QStringLiteral("Frame2"))->title(), QStringLiteral("下载方式"));
        QCOMPARE(d.findChild<QGroupBox *>(QStringLiteral("Frame1"))->title(), QStringLiteral("代理IP设置"));
    }

    // First run: the stored defaults; later: the stored choices, the list without blank lines.
    void opensWithTheValuesInForce()
    {
        TestHome home;
        {
            fOption first;
            Dialog d(&first);
            QVERIFY(d.child<QRadioButton>("Option2")->isChecked());
            QVERIFY(!d.child<QCheckBox>("Check1")->isChecked());
            QVERIFY(d.child<QCheckBox>("Check2")->isChecked());
            QCOMPARE(d.child<QLineEdit>("Text1")->text(), QStringLiteral("10"));
            QVERIFY(d.option3(0)->isChecked());
            QCOMPARE(d.child<QPlainTextEdit>("Text2")->toPlainText(), QString());
        }
        SettingKeys::下载方式.write(1);
        SettingKeys::代理服务器有效.write(true);
        SettingKeys::代理服务器网址.write(QStringLiteral("proxy.example.org"));
        SettingKeys::代理服务器端口.write(QStringLiteral("3128"));
        SettingKeys::文件最大值.write(2.5);
        SettingKeys::使用ip代理.write(true);
        QVERIFY(TextFile::writeText(DataFolder::filePath(QStringLiteral("ip.txt")),
                                    QStringLiteral(" 10.0.0.1:80 \r\n\r\n10.0.0.2:8080\r\n")));
        SaveFolderQuestion::enabled() = false;
        fOption second;
        Dialog d(&second);
        QVERIFY(d.child<QRadioButton>("Option1")->isChecked());
        QVERIFY(d.child<QCheckBox>("Check1")->isChecked());
        QCOMPARE(d.child<QLineEdit>("Text6")->text(), QStringLiteral("proxy.example.org"));
        QCOMPARE(d.child<QLineEdit>("Text8")->text(), QStringLiteral("3128"));
        QVERIFY(!d.child<QCheckBox>("Check2")->isChecked());
        QCOMPARE(d.child<QLineEdit>("Text1")->text(), QStringLiteral("2.5"));
        QVERIFY(d.option3(1)->isChecked());
        QCOMPARE(d.child<QPlainTextEdit>("Text2")->toPlainText(), QStringLiteral("10.0.0.1:80\n10.0.0.2:8080\n"));
    }

    // The open download window follows the engine chosen, the thread box with it.
    void engineReachesTheOpenDownloadWindow_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("engine 2 to 1") << 2 << 1;
        QTest::newRow("engine 1 to 2") << 1 << 2;
    }
    void engineReachesTheOpenDownloadWindow()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        DownloadRig r(from);
        auto *threads = r.child<QComboBox>("Combo1");
        if (from == 2)
            threads->setCurrentIndex(4);
        {
            WhenModal when(QStringLiteral("fOption"), [&](QWidget *w) {
                Dialog d(w);
                d.child<QRadioButton>(to == 1 ? "Option1" : "Option2")->setChecked(true);
                d.ok();
            });
            QAction *options = r.w->findChild<QAction *>(QStringLiteral("设置"));
            QVERIFY(options && options->isEnabled());
            options->trigger();
            QCOMPARE(when.ran, 1);
        }
        QCOMPARE(r.w->scheduler().mode(), to);
        QCOMPARE(r.child<QLabel>("Label7")->text(), QStringLiteral("下载方式：%1").arg(to));
        QCOMPARE(threads->isEnabled(), to == 2);
        if (to == 2) {
            QCOMPARE(threads->currentText(), QStringLiteral("1"));
            QCOMPARE(r.w->scheduler().threads(), 1);
        }
        QCOMPARE(SettingKeys::下载方式.read(), to);
        QCOMPARE(DownloadSettings::program().mode, to);
    }

    // Switched on in the dialog, the proxy carries the next transfer of the open download window.
    void downloadProxyCarriesTheNextTransfer()
    {
        if (!TinyProxy::isAvailable())
            QSKIP("tinyproxy is not installed (apt-get install tinyproxy)");
        TinyProxy proxy;
        QVERIFY2(proxy.start(), qPrintable(proxy.errorString()));
        ManualClock clock;
        FixtureHttpServer server;
        server.route(QStringLiteral("/via/doc.pdf"), Response::text("%PDF-through the proxy", "application/pdf"));
        DownloadRig r(1);
        fOption dialog(r.w);
        Dialog d(&dialog);
        d.child<QCheckBox>("Check1")->setChecked(true);
        d.type("Text6", QStringLiteral("127.0.0.1"));
        d.type("Text8", QString::number(proxy.port()));
        d.ok();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(SettingKeys::代理服务器端口.read(), QString::number(proxy.port()));

        QVERIFY(r.download(server.urlText(QStringLiteral("/via/doc.pdf")), QStringLiteral("doc")));
        QCOMPARE(r.list().item(0).state, ItemState::Done);
        QFile file(r.folder() + QStringLiteral("doc.pdf"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("%PDF-through the proxy"));
        QCOMPARE(server.requests().size(), 1);
        QVERIFY(server.requests().first().header("Via").contains("tinyproxy"));
    }

    // A lower limit set in the dialog skips a file the next transfer finds too large; the old limit took it.
    void sizeLimitSkipsTheNextLargeFile()
    {
        ManualClock clock;
        FixtureHttpServer server;
        const QByteArray body = "%PDF-1.4\n" + QByteArray(30000, 'x');
        server.route(QStringLiteral("/big1.pdf"), Response::text(body, "application/pdf"));
        server.route(QStringLiteral("/big2.pdf"), Response::text(body, "application/pdf"));
        DownloadRig r(1);
        QVERIFY(r.download(server.urlText(QStringLiteral("/big1.pdf")), QStringLiteral("big1")));
        QVERIFY(QFile::exists(r.folder() + QStringLiteral("big1.pdf")));

        fOption dialog(r.w);
        Dialog d(&dialog);
        d.type("Text1", QStringLiteral("0.01"));
        d.ok();
        QCOMPARE(SettingKeys::文件最大值.read(), 0.01);
        QVERIFY(r.download(server.urlText(QStringLiteral("/big2.pdf")), QStringLiteral("big2")));
        QCOMPARE(r.list().item(1).percent, QStringLiteral("大文件，跳过"));
        QVERIFY(!QFile::exists(r.folder() + QStringLiteral("big2.pdf")));
    }

    // Harvest once asks for the save folder only while the question is on.
    void saveFolderQuestion_data()
    {
        QTest::addColumn<bool>("ask");
        QTest::newRow("question on") << true;
        QTest::newRow("question off") << false;
    }
    void saveFolderQuestion()
    {
        QFETCH(bool, ask);
        FixtureHttpServer server;
        ScholarSite site(server);
        site.useAsSearchService();
        MainRig main;
        main.options([&](const Dialog &d) {
            d.child<QCheckBox>("Check2")->setChecked(ask);
            d.ok();
        });
        QCOMPARE(SettingKeys::提取网页信息时提示下载保存路径.read(), ask);
        fWebSearch &w = *main.w;
        w.browser().navigate(site.searchUrl(QStringLiteral("机器翻译")));
        QTRY_VERIFY_WITH_TIMEOUT(w.browser().currentUrl().contains(QLatin1String("wd=")) && !w.browser().isBusy(),
                                 30000);
        ModalAnswerer answer(QStringLiteral("Form_BaoCun"), QStringLiteral("Command3"));
        w.findChild<QPushButton *>(QStringLiteral("Command9"))->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.results().rowCount(), 2, 30000);
        QCOMPARE(answer.answered, ask ? 1 : 0);
    }

    // The question switched off stays off after a restart: the start-up reads what the dialog stored.
    void saveFolderQuestionHoldsAcrossRestarts()
    {
        TestHome home;
        RecordingPrompt prompt;
        {
            fOption dialog;
            dialog.show();
            Dialog(&dialog).child<QCheckBox>("Check2")->setChecked(false);
            Dialog(&dialog).ok();
        }
        SaveFolderQuestion::enabled() = true; // as a new run of the program starts
        fCover cover;
        QSignalSpy loaded(&cover, &fCover::loaded);
        QVERIFY(loaded.wait(30000));
        QVERIFY(!SaveFolderQuestion::enabled());
        fOption dialog;
        QVERIFY(!Dialog(&dialog).child<QCheckBox>("Check2")->isChecked());
    }

    // Rotation switched on takes an address of the edited list at the next fetch; switched off, panel 3
    // says so at once and fetches go direct. The list is stored trimmed, unique and without blank lines.
    void rotationAndTheList()
    {
        MainRig main;
        main.options([](const Dialog &d) {
            d.option3(1)->setChecked(true);
            d.child<QPlainTextEdit>("Text2")->setPlainText(
                QStringLiteral("  127.0.0.1:3128 \n\n10.0.0.9:80\n127.0.0.1:3128\n\n 10.0.0.9:80"));
            d.ok();
        });
        QCOMPARE(readIpFile(), QStringLiteral("127.0.0.1:3128\r\n10.0.0.9:80"));
        QVERIFY(SettingKeys::使用ip代理.read());
        ProxyRotation &proxy = main.w->proxy();
        const QString used = proxy.updateBeforeFetch();
        QVERIFY2(QStringList({QStringLiteral("127.0.0.1:3128"), QStringLiteral("10.0.0.9:80")}).contains(used),
                 qPrintable(used));
        auto *panel3 = main.w->findChild<QLabel *>(QStringLiteral("StatusPanel3"));
        QVERIFY(panel3);
        QCOMPARE(panel3->text(), QStringLiteral("目前IP代理：") + used);

        main.options([](const Dialog &d) {
            QCOMPARE(d.child<QPlainTextEdit>("Text2")->toPlainText(), QStringLiteral("127.0.0.1:3128\n10.0.0.9:80\n"));
            d.option3(0)->setChecked(true);
            d.ok();
        });
        QVERIFY(!SettingKeys::使用ip代理.read());
        QCOMPARE(proxy.updateBeforeFetch(), QString());
        QCOMPARE(proxy.statusText(), QStringLiteral("目前IP代理：未使用代理"));
        QCOMPARE(panel3->text(), QStringLiteral("目前IP代理：未使用代理"));
    }

    // A check through the dialog's controls against a working proxy, one where nothing listens and one that
    // answers after the chosen response time. The box loses its repeats at once; while the check runs the boxes
    // are locked and the dialog stays open; the working proxy remains, the others move to Text3, and OK keeps
    // the result.
    void checkTheList()
    {
        if (!TinyProxy::isAvailable())
            QSKIP("tinyproxy is not installed (apt-get install tinyproxy)");
        TestHome home;
        RecordingPrompt prompt;
        ManualClock clock;
        ProxyEchoSite site;
        TinyProxy tiny;
        QVERIFY2(tiny.start(), qPrintable(tiny.errorString()));
        HoldingProxy late;
        const QString dead = deadAddress();
        fOption dialog;
        dialog.show();
        Dialog d(&dialog);
        auto *combo1 = d.child<QComboBox>("Combo1");
        QCOMPARE(combo1->currentText(), QStringLiteral("5"));
        QCOMPARE(combo1->count(), 4);
        QCOMPARE(combo1->itemText(3), QStringLiteral("20"));
        combo1->setCurrentIndex(1);
        d.text3()->setPlainText(QStringLiteral("from before"));
        d.text2()->setPlainText(QStringLiteral(" %1 \n\n%2\n%1\n%3\n\n%2").arg(tiny.hostPort(), dead, late.hostPort()));
        QVERIFY(!d.progressBar1()->isVisible());

        d.command3()->click();
        QCOMPARE(d.command3()->text(), QStringLiteral("停止验证代理IP"));
        QCOMPARE(d.text2()->toPlainText(), QStringList({tiny.hostPort(), dead, late.hostPort()}).join(u'\n'));
        QTRY_VERIFY_WITH_TIMEOUT(late.heldCount() == 1 && d.progressBar1()->value() == 2, 20000);
        QVERIFY(d.progressBar1()->isVisible());
        QCOMPARE(d.progressBar1()->maximum(), 3);
        QVERIFY(!d.text2()->isEnabled());
        QVERIFY(!d.text3()->isEnabled());
        QCOMPARE(d.text3()->toPlainText(), QString());
        d.child<QPushButton>("Command2")->click();
        dialog.close();
        d.ok();
        QCOMPARE(prompt.texts(), QStringList(3, QStringLiteral("正在工作，停止以后再试！")));
        QCOMPARE(prompt.entries.last().icon, Prompt::Icon::Critical);
        QVERIFY(dialog.isVisible());
        prompt.entries.clear();

        // Ten seconds were chosen: at five the slow proxy still has time.
        QVERIFY(clock.advance(5s));
        QCOMPARE(d.command3()->text(), QStringLiteral("停止验证代理IP"));
        QVERIFY(clock.advance(5s + 1ms));
        QTRY_COMPARE(d.command3()->text(), QStringLiteral("验证代理IP的有效性"));
        late.answerAll(ProxyEchoSite::kProxyAddress);
        QCOMPARE(d.text2()->toPlainText(), tiny.hostPort() + u'\n');
        QCOMPARE(d.text3()->toPlainText(), dead + u'\n' + late.hostPort() + u'\n');
        QVERIFY(!d.progressBar1()->isVisible());
        QVERIFY(d.text2()->isEnabled() && d.text3()->isEnabled());
        QCOMPARE(prompt.texts(), QStringList{summary(3, 1, 2, 0)});
        QCOMPARE(prompt.entries.first().icon, Prompt::Icon::Information);
        QTRY_COMPARE(site.reported(), QStringList{tiny.hostPort()});

        d.ok();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(readIpFile(), tiny.hostPort());
    }

    // The check's button stops it at once: what was tried keeps its verdict, the rest stays in the list untested,
    // and the dialog closes at the next click.
    void stopTheCheck()
    {
        TestHome home;
        RecordingPrompt prompt;
        ProxyEchoSite site;
        HoldingProxy held;
        fOption dialog;
        dialog.show();
        Dialog d(&dialog);
        d.text2()->setPlainText(QStringLiteral("not an address\n") + held.hostPort());
        d.command3()->click();
        QTRY_VERIFY_WITH_TIMEOUT(held.heldCount() == 1 && d.progressBar1()->value() == 1, 20000);
        d.command3()->click();
        QCOMPARE(d.command3()->text(), QStringLiteral("验证代理IP的有效性"));
        QCOMPARE(prompt.texts(), QStringList{summary(2, 0, 1, 1)});
        QCOMPARE(d.text2()->toPlainText(), held.hostPort() + u'\n');
        QCOMPARE(d.text3()->toPlainText(), QStringLiteral("not an address\n"));
        d.child<QPushButton>("Command2")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(prompt.entries.size(), 1);
    }

    // Closing the dialog while the check waits for a proxy is refused; stopped, it closes and goes, and the held
    // connection's late end touches nothing of it.
    void closingWhileChecking()
    {
        TestHome home;
        RecordingPrompt prompt;
        ProxyEchoSite site;
        auto held = std::make_unique<HoldingProxy>();
        auto dialog = std::make_unique<fOption>();
        dialog->show();
        Dialog d(dialog.get());
        d.text2()->setPlainText(held->hostPort());
        d.command3()->click();
        QTRY_VERIFY_WITH_TIMEOUT(held->heldCount() == 1, 20000);
        QVERIFY(!dialog->close());
        QVERIFY(dialog->isVisible());
        QCOMPARE(prompt.texts(), QStringList{QStringLiteral("正在工作，停止以后再试！")});
        d.command3()->click();
        QVERIFY(dialog->close());
        dialog.reset();
        held.reset();
        bool later = false;
        QTimer::singleShot(0, this, [&later] { QTimer::singleShot(0, [&later] { later = true; }); });
        QTRY_VERIFY(later);
    }

    // No network: the own address cannot be had, so nothing is tried and the lists stay as they were.
    void checkWithoutNetwork()
    {
        TestHome home;
        RecordingPrompt prompt;
        ScopedEnvironment base("PAPERHARVEST_PROXY_SERVICE_BASE", "http://" + deadAddress().toUtf8());
        fOption dialog;
        dialog.show();
        Dialog d(&dialog);
        d.text2()->setPlainText(QStringLiteral("10.0.0.1:80\n10.0.0.1:80"));
        d.text3()->setPlainText(QStringLiteral("from before"));
        d.command3()->click();
        QTRY_COMPARE_WITH_TIMEOUT(prompt.texts(), QStringList{QStringLiteral("验证出错！")}, 20000);
        QCOMPARE(prompt.entries.first().icon, Prompt::Icon::Critical);
        QCOMPARE(d.command3()->text(), QStringLiteral("验证代理IP的有效性"));
        QCOMPARE(d.text2()->toPlainText(), QStringLiteral("10.0.0.1:80"));
        QCOMPARE(d.text3()->toPlainText(), QStringLiteral("from before"));
        QVERIFY(!d.progressBar1()->isVisible());
        QVERIFY(d.text2()->isEnabled());
    }

    // A list that cannot be saved is said so, and the dialog stays open with it.
    void listThatCannotBeSaved()
    {
        TestHome home;
        RecordingPrompt prompt;
        QVERIFY(QDir(DataFolder::path()).mkdir(QStringLiteral("ip.txt")));
        fOption dialog;
        dialog.show();
        Dialog d(&dialog);
        d.text2()->setPlainText(QStringLiteral("10.0.0.1:80\n10.0.0.2:80"));
        d.ok();
        QCOMPARE(prompt.texts(), QStringList{QStringLiteral("代理IP列表保存失败！")});
        QCOMPARE(prompt.entries.first().icon, Prompt::Icon::Critical);
        QVERIFY(dialog.isVisible());
        QCOMPARE(d.text2()->toPlainText(), QStringLiteral("10.0.0.1:80\n10.0.0.2:80"));
    }

    // Label7 opens the page of the proxy-collection tool that the deployment names.
    void proxyToolLink()
    {
        TestHome home;
        UrlCatcher desktop;
        ScopedEnvironment page("PAPERHARVEST_PROXY_TOOL_PAGE", "http://tools.example.org/proxy/");
        fOption dialog;
        dialog.show();
        auto *label7 = dialog.findChild<QLabel *>(QStringLiteral("Label7"));
        QVERIFY(label7 && label7->isVisible() && !label7->text().isEmpty());
        QTest::mouseClick(label7, Qt::LeftButton);
        QCOMPARE(desktop.urls, QStringList{QStringLiteral("http://tools.example.org/proxy/")});
    }

    // Cancel, Esc and the close box leave every setting and the list file as they were.
    void leavingWithoutOkChangesNothing_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("close box") << 2;
    }
    void leavingWithoutOkChangesNothing()
    {
        QFETCH(int, how);
        TestHome home;
        RecordingPrompt prompt;
        QVERIFY(TextFile::writeText(DataFolder::filePath(QStringLiteral("ip.txt")), QStringLiteral("10.0.0.1:80")));
        const DownloadSettings before = DownloadSettings::program();
        fOption dialog;
        dialog.show();
        Dialog d(&dialog);
        d.child<QRadioButton>("Option1")->setChecked(true);
        d.child<QCheckBox>("Check1")->setChecked(true);
        d.type("Text6", QStringLiteral("10.1.1.1"));
        d.type("Text8", QStringLiteral("8080"));
        d.child<QCheckBox>("Check2")->setChecked(false);
        d.type("Text1", QStringLiteral("3"));
        d.option3(1)->setChecked(true);
        d.child<QPlainTextEdit>("Text2")->setPlainText(QStringLiteral("10.0.0.2:81"));
        if (how == 0)
            d.child<QPushButton>("Command2")->click();
        else if (how == 1)
            QTest::keyClick(d.child<QLineEdit>("Text6"), Qt::Key_Escape);
        else
            dialog.close();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(SettingKeys::下载方式.read(), 2);
        QVERIFY(!SettingKeys::代理服务器有效.read());
        QCOMPARE(SettingKeys::代理服务器网址.read(), QString());
        QCOMPARE(SettingKeys::文件最大值.read(), 10.0);
        QVERIFY(!SettingKeys::使用ip代理.read());
        QVERIFY(SaveFolderQuestion::enabled());
        QCOMPARE(DownloadSettings::program().proxyEnabled, before.proxyEnabled);
        QCOMPARE(DownloadSettings::program().maxFileSizeMb, before.maxFileSizeMb);
        QCOMPARE(readIpFile(), QStringLiteral("10.0.0.1:80"));
        QVERIFY(prompt.entries.isEmpty());
    }

    // Enter in a field is OK.
    void enterIsOk()
    {
        TestHome home;
        fOption dialog;
        dialog.show();
        Dialog d(&dialog);
        d.type("Text1", QStringLiteral("25"));
        QTest::keyClick(d.child<QLineEdit>("Text1"), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(SettingKeys::文件最大值.read(), 25.0);
        QCOMPARE(DownloadSettings::program().maxFileSizeMb, 25.0);
    }

    // A screen reader names the proxy boxes after their labels, not after the frame around them ("下载方式").
    void proxyBoxesGoByTheirLabels()
    {
        TestHome home;
        fOption dialog;
        dialog.show();
        Dialog d(&dialog);
        const auto name = [&](const char *box) {
            return QAccessible::queryAccessibleInterface(d.child<QLineEdit>(box))->text(QAccessible::Name);
        };
        QCOMPARE(name("Text6"), QStringLiteral("地址："));
        QCOMPARE(name("Text8"), QStringLiteral("端口："));
    }

    // Tab walks the fields top to bottom, into an option group at its chosen member.
    void tabOrder()
    {
        TestHome home;
        fOption dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        Dialog d(&dialog);
        d.child<QWidget>("Option2")->setFocus();
        QStringList visited;
        for (int i = 0; i < 12; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *focus = QApplication::focusWidget();
            visited << focus->objectName() + (focus->property("index").isValid()
                                                  ? QString::number(focus->property("index").toInt())
                                                  : QString());
        }
        QCOMPARE(visited, (QStringList{"Check1", "Text6", "Text8", "Check2", "Text1", "Option30", "Text2", "Command3",
                                       "Combo1", "Text3", "Command1", "Command2"}));
    }

    // Nonsense is refused with its message, the dialog stays open with the cursor in the field, nothing is stored.
    void nonsenseIsRefused_data()
    {
        QTest::addColumn<bool>("proxyOn");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("message");
        const QString proxy = QStringLiteral("代理服务器网址或者端口格式不对！");
        const QString size = QStringLiteral("下载文件大小请填写大于0的数字（单位MB）！");
        QTest::newRow("proxy on, no address") << true << ""
                                              << "3128"
                                              << "10"
                                              << "Text6" << proxy;
        QTest::newRow("proxy on, address with a space") << true << "a b"
                                                        << "3128"
                                                        << "10"
                                                        << "Text6" << proxy;
        QTest::newRow("proxy on, port with a letter") << true << "10.0.0.1"
                                                      << "31a8"
                                                      << "10"
                                                      << "Text8" << proxy;
        QTest::newRow("proxy on, no port") << true << "10.0.0.1"
                                           << ""
                                           << "10"
                                           << "Text8" << proxy;
        QTest::newRow("port 0") << true << "10.0.0.1"
                                << "0"
                                << "10"
                                << "Text8" << proxy;
        QTest::newRow("port 65536") << false << ""
                                    << "65536"
                                    << "10"
                                    << "Text8" << proxy;
        QTest::newRow("size empty") << false << ""
                                    << ""
                                    << ""
                                    << "Text1" << size;
        QTest::newRow("size a word") << false << ""
                                     << ""
                                     << "ten"
                                     << "Text1" << size;
        QTest::newRow("size zero") << false << ""
                                   << ""
                                   << "0"
                                   << "Text1" << size;
        QTest::newRow("size negative") << false << ""
                                       << ""
                                       << "-5"
                                       << "Text1" << size;
    }
    void nonsenseIsRefused()
    {
        QFETCH(bool, proxyOn);
        QFETCH(QString, address);
        QFETCH(QString, port);
        QFETCH(QString, size);
        QFETCH(QString, field);
        QFETCH(QString, message);
        TestHome home;
        RecordingPrompt prompt;
        fOption dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        Dialog d(&dialog);
        d.child<QCheckBox>("Check1")->setChecked(proxyOn);
        d.type("Text6", address);
        d.type("Text8", port);
        d.type("Text1", size);
        d.child<QRadioButton>("Option1")->setChecked(true);
        d.ok();
        QCOMPARE(prompt.texts(), QStringList{message});
        QCOMPARE(prompt.entries.first().icon, Prompt::Icon::Critical);
        QVERIFY(dialog.isVisible());
        QCOMPARE(QApplication::focusWidget(), d.child<QWidget>(field.toUtf8().constData()));
        QCOMPARE(SettingKeys::下载方式.read(), 2);
        QVERIFY(!SettingKeys::代理服务器有效.read());
        QCOMPARE(SettingKeys::文件最大值.read(), 10.0);
    }
};

QTEST_MAIN(TestFOption)
#include "test_foption.moc"
