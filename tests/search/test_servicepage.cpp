#include "core/net/Browser.h"
#include "core/run/Pauses.h"
#include "core/run/RunFlags.h"
#include "core/search/PageHarvest.h"
#include "core/search/ResultListModel.h"
#include "core/search/SearchDriver.h"
#include "core/search/SearchWindow.h"
#include "core/search/ServicePageCheck.h"
#include "support/FixtureHttpServer.h"
#include "support/ScholarSite.h"
#include "web/WebEngineBrowser.h"

#include <QCoroTask>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QWebEngineProfile>
#include <memory>
#include <optional>

namespace {
const QString kFolder = QStringLiteral("/home/u/12345");

class NoPause final : public RunFlagsPacing
{
public:
    using RunFlagsPacing::RunFlagsPacing;
    QString delayText() const override { return QStringLiteral("0"); }
};

// The main window's part in a walk, over the real browser and list: harvests for real and, like the main window,
// waits when the service asks for a verification.
class WaitingWindow final : public QObject, public SearchWindow
{
    Q_OBJECT
public:
    WaitingWindow(Browser &browser, ResultListModel &list, RunFlags &flags)
        : m_browser(browser), m_list(list), m_flags(flags), m_pacing(flags)
    {}
    QString keywords;
    QList<ServicePageState> waits;
    int waitEnds = 0;

    QString keywordText() const override { return keywords; }
    void setKeywordText(const QString &text) override { keywords = text; }
    int typeIndex() const override { return 0; }
    int yearIndex() const override { return 0; }
    void showBatchRunning(bool) override {}
    void showWalkRunning(bool) override {}
    void askSaveTarget() override {}
    void autoSizeListColumns() override {}
    QCoro::Task<> harvestPage() override { co_await 采集本页结果(m_browser, m_list, kFolder); }
    QCoro::Task<bool> nextPage() override { co_return co_await 下一页(m_browser, m_list, m_flags, m_pacing, kFolder); }
    bool waitForService(const ServicePageVerdict &verdict, const QString &, const QString &) override
    {
        waits << verdict.state;
        Q_EMIT waiting();
        return true;
    }
    void serviceWaitEnded() override { ++waitEnds; }
    void pageWalkedBefore(const QString &) override {}

Q_SIGNALS:
    void waiting();

private:
    Browser &m_browser;
    ResultListModel &m_list;
    RunFlags &m_flags;
    NoPause m_pacing;
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
