// The about box and the cover's update check, offscreen against a local update server: what the box shows and
// where its links lead, the cover's notice of a newer version, the messages of a failed check, a server that never
// answers, and the next check after the box closes from either window's help menu.
#include "core/about/AboutTexts.h"
#include "core/about/NewestVersion.h"
#include "core/about/UpdateAddress.h"
#include "core/about/UpdateCheck.h"
#include "core/store/Settings.h"
#include "core/store/SettingsStore.h"
#include "core/store/VisitedDatabase.h"
#include "core/util/ClockTimer.h"
#include "core/util/Deployment.h"
#include "gui/fCover/fCover.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "gui/frmAbout/frmAbout.h"
#include "gui/shell/SystemInfo.h"
#include "support/FixtureHttpServer.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

using Response = FixtureHttpServer::Response;

// Takes the addresses the program hands to the desktop, so no browser or mail program starts.
class UrlRecorder final : public QObject
{
    Q_OBJECT
public:
    UrlRecorder()
    {
        for (const char *scheme : {"http", "https", "mailto"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "openUrl");
    }
    ~UrlRecorder() override
    {
        for (const char *scheme : {"http", "https", "mailto"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QStringList urls;

public Q_SLOTS:
    void openUrl(const QUrl &url) { urls << url.toString(); }
};

namespace {
// A local update server for one test, and the program pointed at it.
struct UpdateServer {
    UpdateServer() : previous(qgetenv("PAPERHARVEST_UPDATE_BASE"))
    {
        qputenv("PAPERHARVEST_UPDATE_BASE", server.urlText(QStringLiteral("/up")).toUtf8());
    }
    ~UpdateServer() { qputenv("PAPERHARVEST_UPDATE_BASE", previous); }
    void answer(const Response &response) { server.route(path(), response); }
    QString path() const { return QStringLiteral("/up/") + ExecutableName() + QStringLiteral("/newver.txt"); }
    int checks() const { return int(server.requestsFor(path()).size()); }

    FixtureHttpServer server;
    QByteArray previous;
};

// Whenever the about box is up modally, hands it to `visit` and closes it with its OK button. (Only tests look
// around like this; the program never polls.)
class AboutBoxVisitor final : public QObject
{
public:
    explicit AboutBoxVisitor(std::function<void(QWidget *)> visit = {}) : m_visit(std::move(visit))
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || modal->objectName() != QLatin1String("frmAbout"))
                return;
            ++visits;
            if (m_visit)
                m_visit(modal);
            modal->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
        });
        m_timer.start();
    }
    int visits = 0;

private:
    std::function<void(QWidget *)> m_visit;
    QTimer m_timer;
};

QString labelText(QWidget *window, const char *name)
{
    return window->findChild<QLabel *>(QString::fromUtf8(name))->text();
}

void sendMouse(QWidget *target, QEvent::Type type)
{
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QMouseEvent event(type, at, target->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void click(QWidget *target)
{
    sendMouse(target, QEvent::MouseButtonPress);
    sendMouse(target, QEvent::MouseButtonRelease);
}

// A started program whose update server gives `reply`: its cover, after the first check ended.
struct StartedCover {
    explicit StartedCover(const QByteArray &reply)
    {
        update.answer(Response::text(reply));
        cover.show();
    }
    ~StartedCover() { CloseVisitedDatabase(); }
    bool checked(int count) { return finished.wait() && update.checks() == count; }
    QLabel *label2() const { return cover.findChild<QLabel *>(QStringLiteral("Label2")); }

    TestHome home;
    RecordingPrompt prompt;
    UpdateServer update;
    fCover cover;
    QSignalSpy finished{cover.updateCheck(), &UpdateCheck::finished};
};
} // namespace

class TestAboutBox final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("1.2.9"));
        SetNewestVersionText(QString());
    }

    void boxShowsWhatTheRunFound_data()
    {
        QTest::addColumn<QString>("newest");
        QTest::addColumn<QString>("notice");
        QTest::newRow("nothing found") << ""
                                       << "[已经是最新版本]";
        QTest::newRow("2.0.0 found") << "2.0.0"
                                     << "[有最新版本可以升级：2.0.0]";
    }
    void boxShowsWhatTheRunFound()
    {
        QFETCH(QString, newest);
        QFETCH(QString, notice);
        SetNewestVersionText(newest);
        BuildSystemDescription();
        frmAbout box;
        QCOMPARE(box.windowTitle(), QStringLiteral("关于『") + ApplicationTitle() + QStringLiteral("』 "));
        QCOMPARE(labelText(&box, "lsoftname"), ApplicationTitle());
        QCOMPARE(labelText(&box, "lblVersion"), QStringLiteral("版本 1.2.9"));
        QCOMPARE(labelText(&box, "Label10"), notice);
        QCOMPARE(box.findChild<QLabel *>(QStringLiteral("Label10"))->toolTip(), QStringLiteral("点击打开查看"));
        QVERIFY(labelText(&box, "Label1").startsWith(QStringLiteral("软件制作：")));
        QVERIFY(labelText(&box, "Label2").endsWith(Deployment::makerSite()));
        QVERIFY(labelText(&box, "Label5").startsWith(QStringLiteral("QQ：")));
        QVERIFY(labelText(&box, "Label4").startsWith(QStringLiteral("Email：")));
        auto *text1 = box.findChild<QPlainTextEdit *>(QStringLiteral("Text1"));
        QCOMPARE(text1->toPlainText(), QStringLiteral("OP:") + SystemDescription());
        QVERIFY(SystemDescription().endsWith(QStringLiteral("位]")));

        QApplication::clipboard()->setText(QStringLiteral("before"));
        box.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        QCOMPARE(QApplication::clipboard()->text(), text1->toPlainText());
    }

    // The update notice opens the product page; the mail line starts a mail to the maker. The line under the
    // link the mouse is over follows it and leaves when the mouse is over the box itself.
    void linksAndUnderline()
    {
        UpdateServer update;
        UrlRecorder desktop;
        frmAbout box;
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        auto *label10 = box.findChild<QLabel *>(QStringLiteral("Label10"));
        auto *label4 = box.findChild<QLabel *>(QStringLiteral("Label4"));
        click(label10);
        click(label4);
        QCOMPARE(desktop.urls, QStringList({update.server.urlText(QStringLiteral("/up/")) + ExecutableName(),
                                            QStringLiteral("mailto:") + labelText(&box, "Label4").mid(6)}));

        auto *line2 = box.findChild<QFrame *>(QStringLiteral("Line2"));
        QVERIFY(!line2->isVisible());
        for (const char *name : {"Label10", "Label2", "Label7", "Label4"}) {
            auto *label = box.findChild<QLabel *>(QString::fromUtf8(name));
            sendMouse(label, QEvent::MouseMove);
            QVERIFY(line2->isVisible());
            QCOMPARE(line2->x(), label->x());
            QCOMPARE(line2->width(), label->width());
            QCOMPARE(line2->y(), label->y() + label->height());
        }
        sendMouse(&box, QEvent::MouseMove);
        QVERIFY(!line2->isVisible());
    }

    // Shortly after start-up the cover asks the server; a higher version shows the cover's notice, opens the
    // product page and says so. The about box then shows it, and closing the box asks again.
    void coverAnnouncesNewerVersion()
    {
        UrlRecorder desktop;
        StartedCover program("2.0.0\r\n");
        QVERIFY(program.checked(1));
        QVERIFY(program.label2()->isVisible());
        QCOMPARE(program.label2()->text(), QStringLiteral("有最新版本：V2.0.0"));
        const QString page =
            program.update.server.urlText(QStringLiteral("/up/")) + ExecutableName() + QLatin1Char('/');
        QCOMPARE(desktop.urls, QStringList{page});
        QCOMPARE(program.prompt.texts(), QStringList{AboutTexts::kNewerVersionMessage});
        QCOMPARE(program.prompt.entries.first().icon, Prompt::Icon::Information);
        click(program.label2());
        QCOMPARE(desktop.urls, QStringList({page, page}));

        // The box shows what the check found; its closing starts the next check, which finds nothing higher.
        program.update.answer(Response::text("1.0.0"));
        QString notice;
        {
            AboutBoxVisitor visitor([&](QWidget *box) { notice = labelText(box, "Label10"); });
            ShowAboutBox(&program.cover);
            QCOMPARE(visitor.visits, 1);
        }
        QCOMPARE(notice, QStringLiteral("[有最新版本可以升级：2.0.0]"));
        QVERIFY(program.checked(2));
        QCOMPARE(NewestVersionText(), QStringLiteral("2.0.0"));
        QCOMPARE(program.prompt.entries.size(), 1);
    }

    // 关于 in the help menus of the main window and the download window: the modal box, then the next check.
    void helpMenusOpenTheBox_data()
    {
        QTest::addColumn<bool>("downloadWindow");
        QTest::newRow("main window") << false;
        QTest::newRow("download window") << true;
    }
    void helpMenusOpenTheBox()
    {
        QFETCH(bool, downloadWindow);
        StartedCover program("1.2.9");
        QVERIFY(program.checked(1));
        SettingKeys::下载文件保存路径.write(program.home.filePath(QStringLiteral("out")));
        std::unique_ptr<QWidget> window;
        QAction *about = nullptr;
        if (downloadWindow) {
            window.reset(fFileDownload::ensure());
            about = window->findChild<QAction *>(QStringLiteral("关于"));
        } else {
            window = std::make_unique<fWebSearch>();
            about = window->findChild<QAction *>(QStringLiteral("menu关于"));
            QCOMPARE(about->text(), QStringLiteral("关于(&A)"));
        }
        QVERIFY(about->isEnabled());
        {
            AboutBoxVisitor visitor;
            about->trigger();
            QCOMPARE(visitor.visits, 1);
        }
        QVERIFY(program.checked(2));
        QVERIFY(!program.label2()->isVisible());
        QVERIFY(program.prompt.entries.isEmpty());
        program.prompt.answers = {true};
        window->close();
    }

    // No answer: a closed port says "请保持网络畅通！" after every check; a server that never answers says
    // nothing and holds nothing up: the cover stays as it is and the about box opens and closes meanwhile.
    void noAnswer_data()
    {
        QTest::addColumn<bool>("stalled");
        QTest::newRow("closed port") << false;
        QTest::newRow("stalled server") << true;
    }
    void noAnswer()
    {
        QFETCH(bool, stalled);
        TestHome home;
        RecordingPrompt prompt;
        UpdateServer update;
        Response hanging = Response::text("9.9.9");
        hanging.headerDelayMs = -1;
        update.answer(hanging);
        QByteArray base = update.server.urlText(QStringLiteral("/up")).toUtf8();
        if (!stalled) {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost);
            base = QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort()).toUtf8();
        }
        qputenv("PAPERHARVEST_UPDATE_BASE", base);

        fCover cover;
        QSignalSpy failed(cover.updateCheck(), &UpdateCheck::failed);
        cover.show();
        if (stalled) {
            QTRY_COMPARE(update.checks(), 1);
            QVERIFY(cover.updateCheck()->isRunning());
        } else {
            QVERIFY(failed.wait());
            QCOMPARE(prompt.texts(), QStringList{AboutTexts::kNetworkError});
            QCOMPARE(prompt.entries.first().icon, Prompt::Icon::Critical);
        }
        QVERIFY(!cover.findChild<QLabel *>(QStringLiteral("Label2"))->isVisible());

        {
            AboutBoxVisitor visitor;
            ShowAboutBox(&cover);
            QCOMPARE(visitor.visits, 1);
        }
        if (stalled) {
            QTRY_COMPARE(update.checks(), 2);
            QVERIFY(prompt.entries.isEmpty());
        } else {
            QVERIFY(failed.wait());
            QCOMPARE(prompt.texts(), QStringList({AboutTexts::kNetworkError, AboutTexts::kNetworkError}));
        }
        QVERIFY(cover.isVisible());
        QCOMPARE(NewestVersionText(), QString());
        update.server.closeAllConnections();
        CloseVisitedDatabase();
    }
};

QTEST_MAIN(TestAboutBox)
#include "test_aboutbox.moc"
