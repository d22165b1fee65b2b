// One cookie jar for the embedded browser and the network layer: a cookie a page sets goes with the page fetches
// and the request component, one an answer to them sets reaches the browser, and both outlive the profile. The
// download engines are covered by the login panel's test, through a real login.
#include "core/net/FetchPageText.h"
#include "core/net/NetworkAccess.h"
#include "core/net/SharedCookieJar.h"
#include "core/net/TransferControl.h"
#include "core/net/XmlHttpRequest.h"
#include "support/FixtureHttpServer.h"
#include "support/TestEnvironment.h"
#include "web/CookieBridge.h"
#include "web/WebEngineBrowser.h"
#include "web/WebProfile.h"

#include <QCoroTask>
#include <QGuiApplication>
#include <QNetworkCookie>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <memory>
#include <optional>

namespace {
constexpr int kPageWaitMs = 20000;

using Response = FixtureHttpServer::Response;

bool load(WebEngineBrowser &browser, const QUrl &url)
{
    QSignalSpy complete(&browser, &Browser::documentComplete);
    browser.navigate(url.toString());
    return complete.wait(kPageWaitMs);
}

// name=value of every cookie the jar would send to `url`, sorted.
QStringList jarCookies(const QUrl &url)
{
    QStringList out;
    const QList<QNetworkCookie> cookies = SharedCookieJar::instance().cookiesFor(url);
    for (const QNetworkCookie &c : cookies)
        out << QString::fromLatin1(c.name() + '=' + c.value());
    out.sort();
    return out;
}

// The Cookie header of the last request for `path`, split and sorted.
QStringList sentCookies(const FixtureHttpServer &server, const QString &path)
{
    const QList<FixtureHttpServer::Request> requests = server.requestsFor(path);
    if (requests.isEmpty())
        return {QStringLiteral("<no request>")};
    QStringList out;
    for (const QByteArray &part : requests.last().header("Cookie").split(';'))
        if (!part.trimmed().isEmpty())
            out << QString::fromLatin1(part.trimmed());
    out.sort();
    return out;
}

QString fetch(const QUrl &url)
{
    TransferControl control;
    return QCoro::waitFor(FetchPageText({.address = url.toString()}, &control));
}

// The cookie named `name` among those a cookie store reported added, if any.
std::optional<QNetworkCookie> addedByName(const QSignalSpy &added, const QByteArray &name)
{
    for (const QList<QVariant> &args : added)
        if (const auto cookie = args.at(0).value<QNetworkCookie>(); cookie.name() == name)
            return cookie;
    return std::nullopt;
}

bool request(const QUrl &url)
{
    XmlHttpRequest xhr;
    QSignalSpy arrived(&xhr, &XmlHttpRequest::OnDateArrived);
    xhr.Open_(QStringLiteral("GET"), url.toString());
    xhr.Send_();
    return arrived.wait(kPageWaitMs);
}
} // namespace

class TestCookieBridge final : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<FixtureHttpServer> m_server;

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        m_server = std::make_unique<FixtureHttpServer>();
        m_server->route(
            QStringLiteral("/page"),
            Response::html("<html><head><title>p</title><script>document.cookie = 'script=2; path=/; max-age=3600';"
                           "</script></head><body>page</body></html>")
                .withHeader("Set-Cookie", "header=1; Path=/; Max-Age=3600"));
        m_server->route(QStringLiteral("/answer"),
                        Response::html("<p>set</p>").withHeader("Set-Cookie", "fetched=3; Path=/"));
        m_server->route(QStringLiteral("/echo"), Response::html("<p>echo</p>"));
    }
    void cleanup()
    {
        m_server.reset();
        m_home.reset();
    }

    void pageCookiesGoWithFetches()
    {
        ShareProgramCookies();
        WebEngineBrowser browser;
        QVERIFY(load(browser, m_server->url(QStringLiteral("/page"))));
        const QByteArray browserAgent = m_server->requestsFor(QStringLiteral("/page")).value(0).header("User-Agent");
        QVERIFY(!browserAgent.isEmpty());
        const QStringList expected{QStringLiteral("header=1"), QStringLiteral("script=2")};
        QTRY_COMPARE_WITH_TIMEOUT(jarCookies(m_server->url()), expected, kPageWaitMs);

        QCOMPARE(fetch(m_server->url(QStringLiteral("/echo"))), QStringLiteral("<p>echo</p>"));
        QCOMPARE(sentCookies(*m_server, QStringLiteral("/echo")), expected);
        // The fetches present themselves as the browser does.
        QCOMPARE(m_server->requestsFor(QStringLiteral("/echo")).last().header("User-Agent"), browserAgent);
        m_server->clearRequests();
        QVERIFY(request(m_server->url(QStringLiteral("/echo"))));
        QCOMPARE(sentCookies(*m_server, QStringLiteral("/echo")), expected);
        QCOMPARE(m_server->requestsFor(QStringLiteral("/echo")).last().header("User-Agent"), browserAgent);

        // A cookie the page deletes is gone for the fetches too.
        QVERIFY(QCoro::waitFor(browser.runScript(QStringLiteral("document.cookie = 'script=; path=/; max-age=0'")))
                    .isValid());
        QTRY_COMPARE_WITH_TIMEOUT(jarCookies(m_server->url()), QStringList{QStringLiteral("header=1")}, kPageWaitMs);
    }

    void answerCookiesReachTheBrowser()
    {
        ShareProgramCookies();
        QSignalSpy added(ProgramWebProfile()->cookieStore(), &QWebEngineCookieStore::cookieAdded);
        QVERIFY(!fetch(m_server->url(QStringLiteral("/answer"))).isEmpty());
        QCOMPARE(jarCookies(m_server->url()), QStringList{QStringLiteral("fetched=3")});
        QTRY_VERIFY_WITH_TIMEOUT(addedByName(added, "fetched"), kPageWaitMs);
        WebEngineBrowser browser;
        QVERIFY(load(browser, m_server->url(QStringLiteral("/echo"))));
        QCOMPARE(sentCookies(*m_server, QStringLiteral("/echo")), QStringList{QStringLiteral("fetched=3")});
    }

    // Two runs of the program one after the other on the same data folder, each a process of its own: the first
    // takes cookies from a page and from a fetch, the second sends them.
    void cookiesSurviveARestart()
    {
        const auto run = [this](const char *step) {
            QProcess child;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("PH_COOKIE_STEP"), QString::fromLatin1(step));
            environment.insert(QStringLiteral("PH_COOKIE_SITE"), m_server->urlText().chopped(1));
            child.setProcessEnvironment(environment);
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            QSignalSpy finished(&child, &QProcess::finished);
            child.start(QCoreApplication::applicationFilePath());
            // The server answers from this process's event loop while the child runs.
            const bool ended = finished.wait(2 * kPageWaitMs);
            if (ended && child.exitCode() != 0)
                qWarning("step %s ended with status %d", step, child.exitCode());
            return ended && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
        };
        QVERIFY(run("take"));
        QCOMPARE(sentCookies(*m_server, QStringLiteral("/echo")), QStringList{QStringLiteral("<no request>")});
        QCOMPARE(sentCookies(*m_server, QStringLiteral("/echo")), QStringList{QStringLiteral("<no request>")});
        QVERIFY(run("send"));
        QCOMPARE(sentCookies(*m_server, QStringLiteral("/echo")),
                 (QStringList{QStringLiteral("fetched=3"), QStringLiteral("header=1"), QStringLiteral("script=2")}));
    }
};

namespace {
// One run of the program for cookiesSurviveARestart: "take" loads the page and fetches the answer that sets a
// cookie, "send" finds them in the jar at once and sends a request. Exit status 0 when it went.
int cookieStep(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    ShareProgramCookies();
    const QString site = qEnvironmentVariable("PH_COOKIE_SITE");
    if (qEnvironmentVariable("PH_COOKIE_STEP") == u"take") {
        QSignalSpy added(ProgramWebProfile()->cookieStore(), &QWebEngineCookieStore::cookieAdded);
        {
            WebEngineBrowser browser;
            if (!load(browser, QUrl(site + QStringLiteral("/page"))))
                return 1;
        }
        if (fetch(QUrl(site + QStringLiteral("/answer"))).isEmpty())
            return 2;
        const bool taken = QTest::qWaitFor(
            [&] { return addedByName(added, "fetched").has_value() && jarCookies(QUrl(site)).size() == 3; },
            kPageWaitMs);
        return taken ? 0 : 3;
    }
    if (jarCookies(QUrl(site)).size() != 3)
        return 4;
    return request(QUrl(site + QStringLiteral("/echo"))) ? 0 : 5;
}
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("PH_COOKIE_STEP"))
        return cookieStep(argc, argv);
    QGuiApplication app(argc, argv);
    TestCookieBridge test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_cookiebridge.moc"
