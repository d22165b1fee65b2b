// The download window's login panel on a loopback site that serves its files only to a logged-in visitor (a web
// page otherwise): a login made with the panel's own controls makes both engines' next downloads logged in, the
// automatic login follows a downloaded web page, the minute refresh keeps a session alive that the site would
// otherwise drop after a short idle time, and the panel refuses what it cannot log in with.
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadScheduler.h"
#include "core/download/DownloadTexts.h"
#include "core/download/login/SiteLogin.h"
#include "core/net/Browser.h"
#include "core/util/Clock.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/fFileDownload/login/LoginPanel.h"
#include "support/FixtureHttpServer.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"
#include "web/CookieBridge.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUrlQuery>
#include <QUuid>
#include <QtTest>

using namespace std::chrono_literals;

namespace {
using Response = FixtureHttpServer::Response;
using Request = FixtureHttpServer::Request;

constexpr int kRealWaitMs = 30000;
const QByteArray kPdf = "%PDF-1.4\n% a document for members only\n%%EOF\n";

// A members' site: a login form (account and password, or the visitor's network address), a session cookie that
// lapses after kIdleLimit without a request, and files that only a session gets; anyone else gets a web page.
class MembersSite final
{
public:
    static constexpr Clock::Ms kIdleLimit = 90s;

    MembersSite()
    {
        m_server.setHandler([this](const Request &request) { return answer(request); });
    }

    FixtureHttpServer &server() { return m_server; }
    QString url(const QString &path) const { return m_server.urlText(path); }
    int logins() const { return m_logins; }
    // Requests for the member's start page after the login: the panel's refresh.
    int homeVisits() const { return m_server.requestsFor(QStringLiteral("/home")).size(); }

private:
    std::optional<Response> answer(const Request &request)
    {
        const QByteArray path = request.pathOnly();
        if (path == "/login" && request.method == "POST") {
            const QUrlQuery form(QString::fromUtf8(request.body));
            if (form.queryItemValue(QStringLiteral("Username")) != u"alice" ||
                form.queryItemValue(QStringLiteral("Password")) != u"s3cret")
                return loginPage();
            return startSession();
        }
        if (path == "/login")
            return loginPage();
        if (path == "/iplogin" && request.method == "POST")
            return startSession();
        if (path == "/iplogin")
            return page("<html><head><title>IP</title></head><body><form method='post' action='/iplogin'>"
                        "<input type='submit' id='submitip' value='IP登录'></form></body></html>");
        if (path == "/noform")
            return page("<html><head><title>没有按钮</title></head><body>nothing</body></html>");
        const bool member = inSession(request);
        if (path == "/home")
            return member ? page("<html><head><title>会员首页</title></head><body>welcome</body></html>") : loginPage();
        if (path.startsWith("/files/")) {
            if (member)
                return Response::text(kPdf, "application/pdf");
            return page("<html><head><title>请先登录</title></head><body>members only</body></html>");
        }
        return std::nullopt;
    }

    // The site's pages name their character set, so their Chinese titles read as they are written.
    static Response page(const QByteArray &html) { return Response::html(html, "text/html; charset=utf-8"); }

    static Response loginPage()
    {
        return page("<html><head><title>登录</title></head><body><form method='post' action='/login'>"
                    "<input type='text' name='Username'><input type='password' name='Password'>"
                    "<input type='submit' value='登录'></form></body></html>");
    }

    Response startSession()
    {
        ++m_logins;
        const QByteArray id = QUuid::createUuid().toByteArray(QUuid::Id128);
        m_sessions.insert(id, Clock::monotonicMs());
        return Response::redirect("/home").withHeader("Set-Cookie", "sid=" + id + "; Path=/; HttpOnly");
    }

    bool inSession(const Request &request)
    {
        for (const QByteArray &part : request.header("Cookie").split(';')) {
            const QByteArray cookie = part.trimmed();
            if (!cookie.startsWith("sid="))
                continue;
            const QByteArray id = cookie.mid(4);
            const auto at = m_sessions.find(id);
            if (at == m_sessions.end())
                continue;
            if (Clock::monotonicMs() - at.value() > kIdleLimit.count()) {
                m_sessions.erase(at);
                continue;
            }
            at.value() = Clock::monotonicMs();
            return true;
        }
        return false;
    }

    FixtureHttpServer m_server;
    QHash<QByteArray, qint64> m_sessions;
    int m_logins = 0;
};

// The download window with its login panel, on a data folder of its own, sharing the browser's cookies as the
// program does; time is manual so the panel's minute and the scheduler's seconds pass at the test's word.
struct PanelRig {
    ManualClock clock;
    TestHome home;
    RecordingPrompt prompt;
    QTemporaryDir folder;
    MembersSite site;
    QPointer<fFileDownload> w;

    PanelRig()
    {
        ShareProgramCookies();
        w = fFileDownload::ensure();
        w->show();
    }
    ~PanelRig()
    {
        if (w) {
            prompt.answers = {true};
            w->close();
            delete w.data();
        }
    }
    template <typename T> T *child(const char *name) const { return w->findChild<T *>(QString::fromUtf8(name)); }
    LoginPanel *panel() const { return w->loginPanel(); }
    QString statusPanel3() const { return child<QLabel>("Panel3")->text(); }

    void typeInto(const char *name, const QString &text) const
    {
        auto *edit = child<QLineEdit>(name);
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    void fillAccountLogin(const QString &address, const QString &account, const QString &password) const
    {
        child<QPushButton>("Command1")->click();
        typeInto("Text1", address);
        child<QRadioButton>("Option4")->click();
        typeInto("Text2", account);
        typeInto("Text3", password);
    }
    // Command5, then the run's waits passed until it ends (the button enabled again).
    [[nodiscard]] bool testLogin() const
    {
        auto *command5 = child<QPushButton>("Command5");
        QSignalSpy finished(&panel()->siteLogin(), &SiteLogin::loginFinished);
        command5->click();
        return clock.passShortWaitsUntil([&] { return !finished.isEmpty() && command5->isEnabled(); },
                                         SiteLogin::kSettle, kRealWaitMs);
    }
    // Adds a row for `file` and downloads it with `engine`; the row as it ends.
    DownloadItem download(const QString &file, int engine) const
    {
        DownloadScheduler &scheduler = w->scheduler();
        scheduler.setMode(engine);
        DownloadListModel &list = scheduler.list();
        w->加入下载列表(site.url(QStringLiteral("/files/") + file + QStringLiteral(".pdf")), file,
                        QStringLiteral("pdf"), folder.path() + QLatin1Char('/'), QString());
        child<QPushButton>("Command4")->click();
        const bool ended = clock.advanceUntil([&] { return list.isFinished() && !scheduler.downloadsActive(); },
                                              DownloadScheduler::kTickInterval, 120);
        if (!ended)
            return {};
        return list.item(list.size() - 1);
    }
    QByteArray savedBytes(const DownloadItem &row) const
    {
        QFile file(folder.filePath(row.name + QLatin1Char('.') + row.type));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};
} // namespace

class TestLoginPanel final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void panelAtLoad()
    {
        PanelRig r;
        LoginPanel *panel = r.panel();
        QCOMPARE(panel->objectName(), QStringLiteral("PicWebBK"));
        QVERIFY(!panel->isVisible());
        QVERIFY(r.child<QWidget>("Web1"));
        QCOMPARE(r.child<QComboBox>("Combo3")->currentText(), QStringLiteral("下载到网页文件(htm/html/asp)文件"));
        QCOMPARE(r.child<QLineEdit>("Text3")->echoMode(), QLineEdit::Password);
        for (const char *field : {"Text1", "Text2", "Text3"})
            QVERIFY(r.child<QLineEdit>(field)->text().isEmpty());
        QVERIFY(!r.child<QCheckBox>("Check1")->isChecked() && !r.child<QCheckBox>("Check2")->isChecked());
        QTRY_COMPARE(panel->browser().currentUrl(), QStringLiteral("about:blank"));

        // Shown, it covers the list exactly.
        r.child<QPushButton>("Command1")->click();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->geometry(), r.w->listView()->geometry());
        r.w->resize(r.w->width() + 40, r.w->height() + 30);
        QTRY_COMPARE(panel->geometry(), r.w->listView()->geometry());
    }

    void loginMakesTheEnginesLoggedIn_data()
    {
        QTest::addColumn<int>("engine");
        QTest::newRow("engine 1") << 1;
        QTest::newRow("engine 2") << 2;
    }
    void loginMakesTheEnginesLoggedIn()
    {
        QFETCH(int, engine);
        PanelRig r;
        const DownloadItem before = r.download(QStringLiteral("before"), engine);
        QCOMPARE(before.type, QStringLiteral("htm"));

        r.fillAccountLogin(r.site.url(QStringLiteral("/login")), QStringLiteral("alice"), QStringLiteral("s3cret"));
        QVERIFY(r.testLogin());
        QCOMPARE(r.site.logins(), 1);
        QVERIFY(r.prompt.entries.isEmpty());
        // The page the site shows after the login names itself in the status bar.
        QTRY_COMPARE(r.statusPanel3(), QStringLiteral("会员首页"));

        const DownloadItem after = r.download(QStringLiteral("after"), engine);
        QCOMPARE(after.state, ItemState::Done);
        QCOMPARE(after.type, QStringLiteral("pdf"));
        QCOMPARE(r.savedBytes(after), kPdf);
    }

    // Closing the download window while a login runs: the window goes at once, and the run's later steps (the page
    // it waits for, its settle time) touch nothing of it.
    void closingDuringALogin()
    {
        PanelRig r;
        r.fillAccountLogin(r.site.url(QStringLiteral("/login")), QStringLiteral("alice"), QStringLiteral("s3cret"));
        auto *command5 = r.child<QPushButton>("Command5");
        command5->click();
        QVERIFY(!command5->isEnabled());
        r.prompt.answers = {true};
        r.w->close();
        QTRY_VERIFY_WITH_TIMEOUT(!r.w, 30000);
        for (int i = 0; i < 3; ++i)
            QVERIFY(r.clock.advance(SiteLogin::kSettle));
        // A new window starts idle.
        r.w = fFileDownload::ensure();
        QVERIFY(r.child<QPushButton>("Command5")->isEnabled());
    }

    void ipLoginPressesTheSitesButton()
    {
        PanelRig r;
        r.child<QPushButton>("Command1")->click();
        r.typeInto("Text1", r.site.url(QStringLiteral("/iplogin")));
        r.child<QRadioButton>("Option5")->click();
        QVERIFY(r.testLogin());
        QCOMPARE(r.site.logins(), 1);
        QCOMPARE(r.download(QStringLiteral("paper"), 2).type, QStringLiteral("pdf"));

        // A page without the button is only opened.
        QSignalSpy submitted(&r.panel()->siteLogin(), &SiteLogin::formSubmitted);
        r.typeInto("Text1", r.site.url(QStringLiteral("/noform")));
        QVERIFY(r.testLogin());
        QVERIFY(submitted.isEmpty());
        QCOMPARE(r.panel()->browser().currentUrl(), r.site.url(QStringLiteral("/noform")));
    }

    void webPageDownloadLogsInAutomatically_data()
    {
        QTest::addColumn<int>("engine");
        QTest::newRow("engine 1") << 1;
        QTest::newRow("engine 2") << 2;
    }
    void webPageDownloadLogsInAutomatically()
    {
        QFETCH(int, engine);
        PanelRig r;
        r.fillAccountLogin(r.site.url(QStringLiteral("/login")), QStringLiteral("alice"), QStringLiteral("s3cret"));
        r.child<QCheckBox>("Check2")->click();
        QVERIFY(r.w->scheduler().autoLoginChecked());
        r.child<QPushButton>("Command3")->click();

        QSignalSpy finished(&r.panel()->siteLogin(), &SiteLogin::loginFinished);
        QCOMPARE(r.download(QStringLiteral("first"), engine).type, QStringLiteral("htm"));
        QVERIFY(r.clock.passShortWaitsUntil([&] { return !finished.isEmpty(); }, SiteLogin::kSettle, kRealWaitMs));
        QCOMPARE(r.site.logins(), 1);
        QVERIFY(r.prompt.entries.isEmpty());
        QCOMPARE(r.download(QStringLiteral("second"), engine).type, QStringLiteral("pdf"));
        QCOMPARE(r.site.logins(), 1);
    }

    void refreshKeepsTheSessionAlive_data()
    {
        QTest::addColumn<bool>("refresh");
        QTest::addColumn<QString>("type");
        QTest::newRow("refresh every minute") << true << "pdf";
        QTest::newRow("no refresh: the session lapses") << false << "htm";
    }
    void refreshKeepsTheSessionAlive()
    {
        QFETCH(bool, refresh);
        QFETCH(QString, type);
        PanelRig r;
        r.fillAccountLogin(r.site.url(QStringLiteral("/login")), QStringLiteral("alice"), QStringLiteral("s3cret"));
        QVERIFY(r.testLogin());
        if (refresh)
            r.child<QCheckBox>("Check1")->click();
        // Hiding keeps the page (and its refresh) when the refresh is on.
        r.child<QPushButton>("Command3")->click();
        QTRY_COMPARE(r.panel()->browser().currentUrl() == QStringLiteral("about:blank"), !refresh);

        // Four idle minutes: twice as long as the site keeps a session without a request.
        static_assert(4 * LoginPanel::kRefreshInterval > 2 * MembersSite::kIdleLimit);
        for (int minute = 1; minute <= 4; ++minute) {
            const int visits = r.site.homeVisits();
            QVERIFY(r.clock.advance(LoginPanel::kRefreshInterval));
            if (refresh)
                QTRY_COMPARE_WITH_TIMEOUT(r.site.homeVisits(), visits + 1, kRealWaitMs);
        }
        QCOMPARE(r.download(QStringLiteral("late"), 1).type, type);
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("accountLogin");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        const QString noAddress = DownloadTexts::kLoginAddressMissing;
        const QString noAccount = DownloadTexts::kLoginAccountMissing;
        QTest::newRow("no address") << "" << true << "pw" << noAddress;
        QTest::newRow("blank address, IP login") << "   " << false << "" << noAddress;
        QTest::newRow("no password") << "http://127.0.0.1:9/login" << true << " " << noAccount;
        QTest::newRow("a local file is no login page") << "file:///etc/passwd" << false << "" << noAddress;
        QTest::newRow("a script is no login page") << "javascript:alert(1)" << false << "" << noAddress;
    }
    void refusals()
    {
        QFETCH(QString, address);
        QFETCH(bool, accountLogin);
        QFETCH(QString, password);
        QFETCH(QString, message);
        PanelRig r;
        r.fillAccountLogin(address, QStringLiteral("alice"), password);
        if (!accountLogin)
            r.child<QRadioButton>("Option5")->click();

        // Checking the automatic login says so at once and leaves the box unchecked.
        auto *check2 = r.child<QCheckBox>("Check2");
        check2->click();
        QVERIFY(!check2->isChecked());
        QVERIFY(!r.w->scheduler().autoLoginChecked());
        QCOMPARE(r.prompt.texts(), QStringList{message});
        QCOMPARE(r.prompt.entries.first().icon, Prompt::Icon::Critical);

        // So does the test login, which opens nothing.
        r.child<QPushButton>("Command5")->click();
        QCOMPARE(r.prompt.texts(), (QStringList{message, message}));
        QVERIFY(r.child<QPushButton>("Command5")->isEnabled());
        QTRY_COMPARE(r.panel()->browser().currentUrl(), QStringLiteral("about:blank"));
        QVERIFY(r.site.server().requests().isEmpty());
    }

    void showingOpensTheSelectedRow()
    {
        PanelRig r;
        r.w->加入下载列表(r.site.url(QStringLiteral("/files/x.pdf")), QStringLiteral("x"), QStringLiteral("pdf"),
                          r.folder.path() + QLatin1Char('/'), QString());
        r.w->listView()->setCurrentIndex(r.w->scheduler().list().index(0, 0));
        QSignalSpy complete(&r.panel()->browser(), &Browser::documentComplete);
        r.child<QPushButton>("Command1")->click();
        QVERIFY(complete.wait(kRealWaitMs));
        QCOMPARE(r.panel()->browser().currentUrl(), r.site.url(QStringLiteral("/files/x.pdf")));
        QTRY_COMPARE(r.statusPanel3(), QStringLiteral("请先登录"));
    }
};

QTEST_MAIN(TestLoginPanel)
#include "test_loginpanel.moc"
