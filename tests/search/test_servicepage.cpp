#include "core/net/Browser.h"
#include "core/net/SharedCookieJar.h"
#include "core/run/Pauses.h"
#include "core/run/RunFlags.h"
#include "core/search/PageHarvest.h"
#include "core/search/ResultListModel.h"
#include "core/search/SearchDriver.h"
#include "core/search/SearchWindow.h"
#include "core/search/ServicePageCheck.h"
#include "support/FixtureHttpServer.h"
#include "support/ManualClock.h"
#include "support/ScholarSite.h"
#include "web/CookieBridge.h"
#include "web/WebEngineBrowser.h"

#include <QCoroTask>
#include <QFile>
#include <QLocale>
#include <QNetworkCookie>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <algorithm>
#include <memory>
#include <optional>

namespace {
const QString kFolder = QStringLiteral("/home/u/12345");

// The walk's delay box: 0 unless a test chooses another.
class DelayPacing final : public RunFlagsPacing
{
public:
    using RunFlagsPacing::RunFlagsPacing;
    QString delayText() const override { return delay; }
    QString delay = QStringLiteral("0");
};

// The main window's part in a walk, over the real browser and list: harvests for real and, like the main window,
// waits when the service asks for a verification.
class WaitingWindow final : public QObject, public SearchWindow
{
    Q_OBJECT
public:
    WaitingWindow(Browser &browser, ResultListModel &list, RunFlags &flags)
        : pacing(flags), m_browser(browser), m_list(list), m_flags(flags)
    {}
    QString keywords;
    QList<ServicePageState> waits;
    QStringList waitAddresses;
    QList<std::chrono::milliseconds> retries;
    int waitEnds = 0;
    DelayPacing pacing;

    QString keywordText() const override { return keywords; }
    void setKeywordText(const QString &text) override { keywords = text; }
    int typeIndex() const override { return 0; }
    int yearIndex() const override { return 0; }
    void showBatchRunning(bool) override {}
    void showWalkRunning(bool) override {}
    void askSaveTarget() override {}
    void autoSizeListColumns() override {}
    QCoro::Task<> harvestPage() override { co_await 采集本页结果(m_browser, m_list, kFolder); }
    QCoro::Task<bool> nextPage() override { co_return co_await 下一页(m_browser, m_list, m_flags, pacing, kFolder); }
    bool waitForService(const ServicePageVerdict &verdict, const QString &, const QString &address) override
    {
        waits << verdict.state;
        waitAddresses << address;
        Q_EMIT waiting();
        return true;
    }
    void serviceRetrying(const ServicePageVerdict &, const QString &, const QString &, std::chrono::milliseconds delay,
                         int) override
    {
        retries << delay;
    }
    void serviceWaitEnded() override { ++waitEnds; }
    const PacingView &walkPacing() const override { return pacing; }
    void pageWalkedBefore(const QString &) override {}

Q_SIGNALS:
    void waiting();

private:
    Browser &m_browser;
    ResultListModel &m_list;
    RunFlags &m_flags;
};

// A batch in the windows' way started on the keyword whose search page is the verification page.
struct VerificationRun {
    explicit VerificationRun(QWebEngineProfile *profile) : browser(profile)
    {
        window.keywords = QStringLiteral("安全验证");
        batch.emplace(driver.clickBatch());
    }
    WebEngineBrowser browser;
    ResultListModel list;
    RunFlags flags;
    WaitingWindow window{browser, list, flags};
    SearchDriver driver{browser, flags, window};
    QSignalSpy finished{&driver, &SearchDriver::batchFinished};
    QSignalSpy waiting{&window, &WaitingWindow::waiting};
    std::optional<QCoro::Task<>> batch;
};

// The second result page of 深度学习, as the first page's next-page link writes it.
const QString kGuarded = QStringLiteral("/s?wd=%C9%EE%B6%C8%D1%A7%CF%B0&pn=10&tn=SE_baiduxueshu_c1gjeupa&ie=utf-8");

QByteArray fixturePage(const QString &file)
{
    QFile page(QStringLiteral(PH_TEST_DATA_DIR "/scholar/") + file);
    if (!page.open(QIODevice::ReadOnly))
        return {};
    return page.readAll().replace("@BACK@", kGuarded.toUtf8());
}

// `moment` as an HTTP date (IMF-fixdate).
QByteArray httpDate(const QDateTime &moment)
{
    return QLocale::c().toString(moment.toUTC(), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'")).toLatin1();
}

QString closedPortBase()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return {};
    return QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort());
}
} // namespace

class TestServicePage final : public QObject
{
    Q_OBJECT

    std::unique_ptr<FixtureHttpServer> m_server;
    std::unique_ptr<ScholarSite> m_site;
    QWebEngineProfile *m_profile = nullptr;

    bool load(WebEngineBrowser &browser, const QString &url)
    {
        QSignalSpy complete(&browser, &Browser::documentComplete);
        browser.navigate(url);
        return complete.wait(20000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<FixtureHttpServer>();
        m_site = std::make_unique<ScholarSite>(*m_server);
        m_site->useAsSearchService();
        m_profile = new QWebEngineProfile(this);
    }

    void judge_data()
    {
        QTest::addColumn<int>("httpStatus");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("state");

        const QString base = QStringLiteral("https://xueshu.baidu.com");
        const QString results = base + QStringLiteral("/s?wd=x");
        const int usable = int(ServicePageState::Usable);
        const int verification = int(ServicePageState::Verification);
        const int refused = int(ServicePageState::Refused);
        const int unreachable = int(ServicePageState::Unreachable);
        QTest::newRow("result page") << 0 << "" << results << "x_百度学术"
                                     << "<div class=sc_content>" << usable;
        QTest::newRow("page without results") << 0 << "" << results << "x_百度学术"
                                              << "抱歉，没有找到" << usable;
        QTest::newRow("verification title") << 0 << "" << results << "百度安全验证"
                                            << "" << verification;
        QTest::newRow("verification text") << 0 << "" << results << ""
                                           << "<p>请完成下方验证后继续操作</p>" << verification;
        QTest::newRow("verification host of the service") << 0 << ""
                                                          << "https://wappass.baidu.com/static/captcha/tuxing.html"
                                                          << ""
                                                          << "" << verification;
        QTest::newRow("look-alike host is not the service's") << 0 << ""
                                                              << "https://xueshu.baidu.com.evil.example/s"
                                                              << ""
                                                              << "" << usable;
        QTest::newRow("http of the same host") << 0 << ""
                                               << "http://xueshu.baidu.com/s?wd=x"
                                               << ""
                                               << "" << usable;
        QTest::newRow("429") << 429 << "" << results << ""
                             << "Too Many Requests" << refused;
        QTest::newRow("503") << 503 << "" << results << ""
                             << "" << refused;
        QTest::newRow("404") << 404 << "" << results << ""
                             << "" << refused;
        QTest::newRow("connection refused") << 0 << "Connection refused" << results << ""
                                            << "" << unreachable;
        QTest::newRow("verification answered with 403 counts as verification") << 403 << "" << results << "百度安全验证"
                                                                               << "" << verification;
    }
    void judge()
    {
        QFETCH(int, httpStatus);
        QFETCH(QString, failure);
        QFETCH(QString, url);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(int, state);
        const ServicePageVerdict verdict = JudgeServicePage(PageLoad{url, httpStatus, failure}, title, text,
                                                            QStringLiteral("https://xueshu.baidu.com"));
        QCOMPARE(int(verdict.state), state);
        QCOMPARE(verdict.usable(), verdict.reason.isEmpty());
        if (httpStatus >= 400 && state == int(ServicePageState::Refused))
            QVERIFY(verdict.reason.contains(QString::number(httpStatus)));
    }

    // What the real browser reports of a load: the HTTP error status, or why nothing arrived.
    void browserReportsHowLoadsEnd_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("closedPort");
        QTest::addColumn<int>("httpStatus");
        QTest::addColumn<bool>("failed");
        QTest::newRow("page") << 200 << false << 0 << false;
        QTest::newRow("429 with a body") << 429 << false << 429 << false;
        QTest::newRow("503 with a body") << 503 << false << 503 << false;
        QTest::newRow("closed port") << 0 << true << 0 << true;
    }
    void browserReportsHowLoadsEnd()
    {
        QFETCH(int, status);
        QFETCH(bool, closedPort);
        QFETCH(int, httpStatus);
        QFETCH(bool, failed);
        m_server->route(QStringLiteral("/answer"),
                        FixtureHttpServer::Response::withStatus(status, "<html><body>answer</body></html>"));
        const QString url =
            closedPort ? closedPortBase() + QStringLiteral("/answer") : m_site->base() + QStringLiteral("/answer");
        WebEngineBrowser browser(m_profile);
        QVERIFY(load(browser, url));
        const PageLoad outcome = browser.lastLoad();
        QCOMPARE(outcome.httpStatus, httpStatus);
        QCOMPARE(!outcome.failure.isEmpty(), failed);
    }

    // The windows' walk on a verification page waits without reading it as "no results"; once a result page shows
    // in the browser (the user solved the verification), the batch goes on where it was.
    void walkWaitsForVerification()
    {
        VerificationRun run(m_profile);
        QVERIFY(run.waiting.wait(20000));
        QCOMPARE(run.window.waits, QList<ServicePageState>{ServicePageState::Verification});
        QCOMPARE(run.list.rowCount(), 0);
        QVERIFY(run.finished.isEmpty());

        // Solved: the service shows the results.
        run.browser.navigate(m_site->searchUrl(QStringLiteral("机器翻译")));
        QVERIFY(run.finished.wait(20000));
        QCOMPARE(run.window.waitEnds, 1);
        QCOMPARE(run.list.rowCount(), 2);
        QCOMPARE(run.list.row(0).key, m_site->resultLink(QStringLiteral("d201")));
    }

    // A walk whose second page the service guards: by a verification the user solves in the browser (a button that
    // sets a cookie and reloads; a form answered with a redirect; a form that returns through an ordinary "验证成功"
    // page), or by a refusal twice. The walk waits, goes on by itself with every row and no duplicate, and asks for
    // the next page only after the chosen pause. A refused page is asked again after the server's Retry-After
    // (seconds, or a date: 7 s from the refusal), or without a readable one after the usual 5 and 20 s.
    void walkGoesOnAfterTheService_data()
    {
        QTest::addColumn<QString>("guard");
        QTest::addColumn<QByteArray>("retryAfter"); // "date": the moment 7 s after the refusal
        QTest::addColumn<QList<int>>("waits");      // seconds, the two retries' waits rounded up
        QTest::newRow("button sets a cookie and reloads")
            << QStringLiteral("verify_button.htm") << QByteArray() << QList<int>();
        QTest::newRow("form answered with a redirect")
            << QStringLiteral("verify_form.htm") << QByteArray() << QList<int>();
        QTest::newRow("returns through an ordinary page")
            << QStringLiteral("verify_returning.htm") << QByteArray() << QList<int>();
        QTest::newRow("429 twice, Retry-After in seconds") << QStringLiteral("429") << QByteArray("7") << QList{7, 7};
        QTest::newRow("429 twice, Retry-After as a date") << QStringLiteral("429") << QByteArray("date") << QList{7, 7};
        QTest::newRow("429 twice, no Retry-After") << QStringLiteral("429") << QByteArray() << QList{5, 20};
        QTest::newRow("503 twice, unreadable Retry-After")
            << QStringLiteral("503") << QByteArray("soon") << QList{5, 20};
    }
    void walkGoesOnAfterTheService()
    {
        QFETCH(QString, guard);
        QFETCH(QByteArray, retryAfter);
        QFETCH(QList<int>, waits);
        using namespace std::chrono_literals;
        ManualClock clock;
        m_server->clearRequests();
        const bool refusals = !waits.isEmpty();
        const auto refusal = [&] {
            auto answer = FixtureHttpServer::Response::withStatus(guard.toInt(), "<html><body>busy</body></html>");
            if (retryAfter == "date")
                answer.withHeader("Retry-After", httpDate(Clock::now().addSecs(7)));
            else if (!retryAfter.isEmpty())
                answer.withHeader("Retry-After", retryAfter);
            return answer;
        };
        if (refusals)
            m_server->route(kGuarded, refusal());
        else
            m_server->route(kGuarded, FixtureHttpServer::Response::html(fixturePage(guard)));
        m_server->route(QStringLiteral("/verify/submit"), FixtureHttpServer::Response::redirect(kGuarded.toUtf8()));
        m_server->route(QStringLiteral("/verify/done"),
                        FixtureHttpServer::Response::html(fixturePage(QStringLiteral("verify_done.htm"))));
        // The guard lifts when the verification is solved, or at the third load of a refused page. A date is
        // written when the refusal is sent.
        int guardedAsked = 0;
        QObject lift;
        connect(m_server.get(), &FixtureHttpServer::requestReceived, &lift, [&](const FixtureHttpServer::Request &r) {
            if (refusals && r.path == kGuarded.toUtf8() && r.method == "GET")
                ++guardedAsked;
            const bool solved = r.path == kGuarded.toUtf8() &&
                                (refusals ? guardedAsked > 2 : r.header("Cookie").contains("verified=1"));
            if (solved || r.pathOnly().startsWith("/verify/"))
                m_server->removeRoute(kGuarded);
            else if (refusals && r.path == kGuarded.toUtf8())
                m_server->route(kGuarded, refusal());
        });
        const auto nextAsked = [this] {
            const auto requests = m_server->requests();
            return std::any_of(requests.cbegin(), requests.cend(),
                               [](const FixtureHttpServer::Request &r) { return r.path.contains("pn=20"); });
        };

        // The browser's session, as the program shares it with its network layer.
        QWebEngineProfile profile;
        CookieBridge::install(&profile);
        const QUrl site(m_site->base());
        profile.cookieStore()->setCookie(QNetworkCookie("session", "walk"), site);
        QTRY_VERIFY_WITH_TIMEOUT(!SharedCookieJar::instance().cookiesFor(site).isEmpty(), 20000);
        WebEngineBrowser browser(&profile);
        QVERIFY(load(browser, m_site->searchUrl(QStringLiteral("深度学习"))));
        ResultListModel list;
        RunFlags flags;
        WaitingWindow window(browser, list, flags);
        window.pacing.delay = QStringLiteral("4");
        SearchDriver driver(browser, flags, window);
        QSignalSpy finished(&driver, &SearchDriver::walkFinished);
        QCoro::Task<> walk = driver.clickWalk();

        if (refusals) {
            // Asked again after each wait without the user. Only the retry waits move the clock that far: the page
            // reads have limits of their own on it.
            QVERIFY(clock.passShortWaitsUntil([&] { return window.retries.size() == 1; }, 4s, 60000));
            QVERIFY(staysQuiet(finished));
            for (int retry = 0; retry < 2; ++retry) {
                QTRY_COMPARE_WITH_TIMEOUT(window.retries.size(), retry + 1, 20000);
                const std::chrono::milliseconds wait = window.retries.at(retry);
                const std::chrono::milliseconds asked = std::chrono::seconds(waits.at(retry));
                // A date names its moment to the second, and part of that second may have gone by.
                if (retryAfter == "date")
                    QVERIFY2(wait > 5s && wait <= asked, qPrintable(QString::number(wait.count())));
                else
                    QCOMPARE(wait, asked);
                QCOMPARE(guardedAsked, retry + 1);
                // Not asked again after the first of the usual waits when the wait is longer.
                std::chrono::milliseconds left = wait;
                if (wait > 5s) {
                    QVERIFY(clock.advance(5s));
                    QVERIFY(!QTest::qWaitFor([&] { return guardedAsked > retry + 1; }, kQuietMs));
                    left -= 5s;
                }
                QVERIFY(clock.advance(left));
                QTRY_COMPARE_WITH_TIMEOUT(guardedAsked, retry + 2, 20000);
            }
            QTRY_COMPARE_WITH_TIMEOUT(window.waitEnds, 1, 20000);
            QCOMPARE(guardedAsked, 3);
            QVERIFY(window.waits.isEmpty());
            // Where the browser keeps a refusal's headers to itself, the server is asked for them once per retry,
            // with a HEAD in the browser's session; the page served at last is not asked about.
            QList<FixtureHttpServer::Request> questions;
            for (const FixtureHttpServer::Request &r : m_server->requests())
                if (r.path == kGuarded.toUtf8() && r.method != "GET")
                    questions << r;
            QCOMPARE(questions.size(), QT_VERSION < QT_VERSION_CHECK(6, 6, 0) ? 2 : 0);
            for (const FixtureHttpServer::Request &question : std::as_const(questions)) {
                QCOMPARE(question.method, QByteArray("HEAD"));
                QCOMPARE(question.header("Cookie"), QByteArray("session=walk"));
            }
        } else {
            QVERIFY(clock.passShortWaitsUntil([&] { return !window.waits.isEmpty(); }, 4s, 60000));
            QCOMPARE(window.waits, QList<ServicePageState>{ServicePageState::Verification});
            QVERIFY(QCoro::waitFor(browser.click(ElementRef::byId(QStringLiteral("solve")))));
            QTRY_COMPARE_WITH_TIMEOUT(window.waitEnds, 1, 20000);
            QVERIFY(browser.currentUrl().endsWith(kGuarded));
        }
        QCOMPARE(list.rowCount(), 3);
        // The service has just complained: the next page waits for the chosen delay.
        QVERIFY(!QTest::qWaitFor(nextAsked, kQuietMs));
        QVERIFY(clock.advance(4s));
        QTRY_VERIFY_WITH_TIMEOUT(nextAsked(), 20000);
        QVERIFY(clock.passShortWaitsUntil([&] { return !finished.isEmpty(); }, 4s, 60000));

        QStringList keys;
        for (int row = 0; row < list.rowCount(); ++row)
            keys << list.row(row).key;
        QStringList expected;
        for (const char *id : {"d101", "d102", "d103", "d104", "d105", "d106"})
            expected << m_site->resultLink(QString::fromLatin1(id));
        QCOMPARE(keys, expected);
        QCOMPARE(window.waitEnds, 1);
    }

    // A page that is neither a result page nor the service's complaint keeps the walk waiting; when it outstays a
    // redirect, the window is told, with the address the walk was on to load again.
    void ordinaryPageOutstaysTheWait()
    {
        using namespace std::chrono_literals;
        ManualClock clock;
        m_server->route(kGuarded,
                        FixtureHttpServer::Response::html(fixturePage(QStringLiteral("verify_returning.htm"))));
        // A "done" page that never goes back by itself.
        m_server->route(QStringLiteral("/verify/done"),
                        FixtureHttpServer::Response::html("<html><head><title>验证成功</title></head><body>"
                                                          "<p>验证成功</p></body></html>"));
        QObject lift;
        connect(m_server.get(), &FixtureHttpServer::requestReceived, &lift, [&](const FixtureHttpServer::Request &r) {
            if (r.pathOnly() == "/verify/done")
                m_server->removeRoute(kGuarded);
        });

        QWebEngineProfile profile;
        WebEngineBrowser browser(&profile);
        QVERIFY(load(browser, m_site->searchUrl(QStringLiteral("深度学习"))));
        ResultListModel list;
        RunFlags flags;
        WaitingWindow window(browser, list, flags);
        SearchDriver driver(browser, flags, window);
        QSignalSpy finished(&driver, &SearchDriver::walkFinished);
        QSignalSpy waiting(&window, &WaitingWindow::waiting);
        QCoro::Task<> walk = driver.clickWalk();
        QVERIFY(waiting.wait(20000));
        QSignalSpy done(&browser, &Browser::documentComplete);
        QVERIFY(QCoro::waitFor(browser.click(ElementRef::byId(QStringLiteral("solve")))));
        QVERIFY(done.wait(20000));
        QVERIFY(staysQuiet(finished));
        QVERIFY(clock.advance(SearchDriver::kOrdinaryPageWait));
        QTRY_COMPARE_WITH_TIMEOUT(window.waits.size(), 2, 20000);
        QCOMPARE(window.waits.last(), ServicePageState::NotResultPage);
        QVERIFY2(window.waitAddresses.last().endsWith(kGuarded), qPrintable(window.waitAddresses.last()));
        QCOMPARE(window.waitEnds, 0);

        // The offered reload brings the page the walk was on.
        browser.navigate(window.waitAddresses.last());
        QVERIFY(finished.wait(20000));
        QCOMPARE(window.waitEnds, 1);
        QCOMPARE(list.rowCount(), 6);
    }

    // Stop during the wait ends the batch.
    void stopEndsTheWait()
    {
        VerificationRun run(m_profile);
        QVERIFY(run.waiting.wait(20000));

        auto stop = run.driver.clickBatch();
        QVERIFY(run.finished.wait(20000));
        QCOMPARE(run.window.waitEnds, 1);
        QVERIFY(run.flags.allIdle());
    }
};

QTEST_MAIN(TestServicePage)
#include "test_servicepage.moc"
