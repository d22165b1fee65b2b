// The proxy-list check against a local echo service and real proxies on loopback: which lines pass, what stops it,
// what is reported, and that nothing leaves the machine while the service host is the deployment's placeholder.
#include "core/analysis/ProxyCheck.h"
#include "core/analysis/ProxyEcho.h"
#include "core/analysis/ProxyReporter.h"
#include "core/util/Deployment.h"
#include "support/FixtureHttpServer.h"
#include "support/HoldingProxy.h"
#include "support/ManualClock.h"
#include "support/ProxyEchoSite.h"
#include "support/ScopedEnvironment.h"
#include "support/TestEnvironment.h"
#include "support/TinyProxy.h"

#include <QNetworkProxy>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using namespace std::chrono_literals;
using Response = FixtureHttpServer::Response;

namespace {
// "127.0.0.1:<port>" where nothing listens.
QString deadAddress()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
}

// The service host left at its placeholder, and every request that would leave the machine caught by a local
// proxy instead, so a test can see that none was made.
struct PlaceholderService {
    PlaceholderService()
    {
        QNetworkProxy::setApplicationProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), outside.port()));
    }
    ~PlaceholderService() { QNetworkProxy::setApplicationProxy(previousProxy); }
    ScopedEnvironment base{"PAPERHARVEST_PROXY_SERVICE_BASE", QByteArray()};
    FixtureHttpServer outside;
    QNetworkProxy previousProxy = QNetworkProxy::applicationProxy();
};

// The service takes the request and says nothing.
Response neverAnswered()
{
    Response silent = Response::text("");
    silent.headerDelayMs = -1;
    return silent;
}

struct Check {
    ProxyCheck check;
    QSignalSpy finished{&check, &ProxyCheck::finished};
    QSignalSpy progress{&check, &ProxyCheck::progressChanged};
    QSignalSpy started{&check, &ProxyCheck::testingStarted};
    ProxyCheckResult result() const { return finished.last().first().value<ProxyCheckResult>(); }
};
} // namespace

class TestProxyCheck final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void proxyLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("tried");
        QTest::newRow("address:port") << "123.45.67.89:8080" << true;
        QTest::newRow("host name:port") << "proxy.example.org:3128" << true;
        QTest::newRow("surrounding spaces") << "  10.0.0.1:80 " << true;
        QTest::newRow("no port") << "10.0.0.1" << false;
        QTest::newRow("empty port") << "10.0.0.1:" << false;
        QTest::newRow("no host") << ":8080" << false;
        QTest::newRow("port 0") << "10.0.0.1:0" << false;
        QTest::newRow("port 65536") << "10.0.0.1:65536" << false;
        QTest::newRow("signed port") << "10.0.0.1:+80" << false;
        QTest::newRow("letters in the port") << "10.0.0.1:80a" << false;
        QTest::newRow("space in the host") << "10.0.0 .1:80" << false;
        QTest::newRow("a path") << "10.0.0.1/x:80" << false;
        QTest::newRow("a second address") << "10.0.0.1:80 10.0.0.2:80" << false;
    }
    void proxyLines()
    {
        QFETCH(QString, line);
        QFETCH(bool, tried);
        QCOMPARE(IsProxyLine(line), tried);
    }

    void echoAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("own");
        QTest::addColumn<bool>("isAnswer");
        QTest::addColumn<bool>("passes");
        QTest::newRow("another address") << "198.51.100.23"
                                         << "203.0.113.7" << true << true;
        QTest::newRow("the own address: transparent") << "203.0.113.7"
                                                      << "203.0.113.7" << true << false;
        QTest::newRow("own address with a line end") << "203.0.113.7\r\n"
                                                     << "203.0.113.7" << true << false;
        QTest::newRow("nine characters") << "10.0.0.12"
                                         << "203.0.113.7" << true << true;
        QTest::newRow("eight characters") << "10.0.0.1"
                                          << "203.0.113.7" << false << false;
        QTest::newRow("empty: no answer in time") << ""
                                                  << "203.0.113.7" << false << false;
        QTest::newRow("a page of the proxy's own") << "Access denied"
                                                   << "203.0.113.7" << false << false;
        QTest::newRow("too long") << "<html><body>blocked</body></html>"
                                  << "203.0.113.7" << false << false;
        QTest::newRow("IPv6") << "2001:db8::1:2"
                              << "203.0.113.7" << true << true;
    }
    void echoAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(QString, own);
        QFETCH(bool, isAnswer);
        QFETCH(bool, passes);
        QCOMPARE(IsEchoAnswer(answer), isAnswer);
        QCOMPARE(ProxyPasses(answer, own), passes);
    }

    // Which service hosts are the deployment's stand-ins, to which nothing is sent.
    void placeholderHosts_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<bool>("placeholder");
        QTest::newRow("the default") << "http://proxy.paperharvest.invalid" << true;
        QTest::newRow("upper case") << "http://PROXY.Example.INVALID/" << true;
        QTest::newRow("the bare reserved name") << "http://invalid" << true;
        QTest::newRow("no host") << "proxy service" << true;
        QTest::newRow("loopback") << "http://127.0.0.1:8080" << false;
        QTest::newRow("a real host") << "http://proxy.example.org" << false;
        QTest::newRow("invalid only inside the name") << "http://invalid.example.org" << false;
    }
    void placeholderHosts()
    {
        QFETCH(QString, base);
        QFETCH(bool, placeholder);
        QCOMPARE(Deployment::isPlaceholder(base), placeholder);
    }

    void serviceAddresses()
    {
        ProxyEchoSite site;
        const QString base = site.server.urlText(QStringLiteral("/")).chopped(1);
        QVERIFY(ProxyServiceConfigured());
        QVERIFY(QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(base) +
                                   QStringLiteral("/ip\\.asp\\?xxx=\\d{25}$"))
                    .match(EchoAddress())
                    .hasMatch());
        QVERIFY(EchoAddress() != EchoAddress());
        QVERIFY(
            QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(base) +
                               QStringLiteral("/zxipproxy/upip\\.asp\\?ip=10\\.0\\.0\\.1%3A8080&r=[0-9A-Za-z]{10}$"))
                .match(CollectionAddress(QStringLiteral(" 10.0.0.1:8080 ")))
                .hasMatch());
    }

    // A working proxy passes and is reported; one where nothing listens, one that answers after the response
    // time, a transparent one and a malformed line fail. The lists keep the order of the box.
    void checksEveryKindOfProxy()
    {
        if (!TinyProxy::isAvailable())
            QSKIP("tinyproxy is not installed (apt-get install tinyproxy)");
        TestHome home;
        ManualClock clock;
        ProxyEchoSite site;
        TinyProxy tiny;
        QVERIFY2(tiny.start(), qPrintable(tiny.errorString()));
        HoldingProxy late;
        FixtureHttpServer transparent;
        transparent.route(QStringLiteral("/ip.asp"), Response::text(ProxyEchoSite::kOwnAddress));
        const QString dead = deadAddress();
        const QString transparentLine = QStringLiteral("127.0.0.1:%1").arg(transparent.port());
        const QStringList lines{dead, late.hostPort(), tiny.hostPort(), transparentLine, QStringLiteral("nonsense")};

        Check c;
        c.check.start(QStringLiteral("\r\n") + lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\n"), 5);
        QVERIFY(c.check.isRunning());
        QTRY_COMPARE_WITH_TIMEOUT(c.progress.size(), 4, 20000);
        QTRY_COMPARE(late.heldCount(), 1);
        QCOMPARE(c.started.size(), 1);
        QCOMPARE(c.started.first().first().toInt(), 5);
        QVERIFY(c.finished.isEmpty());

        QVERIFY(clock.advance(5s + 1ms));
        QVERIFY(caught(c.finished));
        late.answerAll(ProxyEchoSite::kProxyAddress);
        const ProxyCheckResult r = c.result();
        QCOMPARE(r.end, ProxyCheckResult::End::Checked);
        QCOMPARE(r.lines, 5);
        QCOMPARE(r.valid, 1);
        QCOMPARE(r.invalid, 4);
        QCOMPARE(r.notTested, 0);
        QCOMPARE(r.goodList, tiny.hostPort() + QStringLiteral("\r\n"));
        QCOMPARE(r.badList, QStringList({dead, late.hostPort(), transparentLine, QStringLiteral("nonsense")})
                                    .join(QStringLiteral("\r\n")) +
                                QStringLiteral("\r\n"));
        QCOMPARE(c.progress.last().first().toInt(), 5);
        QVERIFY(!c.check.isRunning());
        QTRY_COMPARE(site.reported(), QStringList{tiny.hostPort()});
        // The own address was asked once without a proxy, then once per proxy line.
        QCOMPARE(site.echoCount(), 2);
        QVERIFY(site.server.requestsFor(QStringLiteral("/ip.asp")).first().header("Via").isEmpty());
        QCOMPARE(transparent.requestsFor(QStringLiteral("/ip.asp")).size(), 1);
    }

    // Stop ends the check at once: the requests under way are dropped and their lines count as not tested,
    // with the lines not started; nothing arrives afterwards.
    void stopEndsAtOnce()
    {
        TestHome home;
        ManualClock clock;
        ProxyEchoSite site;
        HoldingProxy held;
        // One proxy named on every line: the check takes the lines as they come, repeats included.
        const QStringList lines(ProxyCheck::kConcurrentChecks + 3, held.hostPort());
        Check c;
        c.check.start(lines.join(QStringLiteral("\r\n")), 20);
        QTRY_COMPARE_WITH_TIMEOUT(held.heldCount(), ProxyCheck::kConcurrentChecks, 20000);
        c.check.stop();
        QCOMPARE(c.finished.size(), 1);
        QVERIFY(!c.check.isRunning());
        const ProxyCheckResult r = c.result();
        QCOMPARE(r.end, ProxyCheckResult::End::Stopped);
        QCOMPARE(r.notTested, lines.size());
        QCOMPARE(r.valid + r.invalid, 0);
        QCOMPARE(r.goodList, lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
        QTRY_COMPARE(held.openCount(), 0);
        held.answerAll(ProxyEchoSite::kProxyAddress);
        QVERIFY(clock.advance(30s));
        QCOMPARE(held.heldCount(), ProxyCheck::kConcurrentChecks);
        QCOMPARE(c.finished.size(), 1);
        QVERIFY(site.reported().isEmpty());
    }

    // Stopped while the own address is still being asked: nothing was tried.
    void stopWhileAskingTheOwnAddress()
    {
        TestHome home;
        ProxyEchoSite site;
        site.server.setHandler([](const auto &) { return neverAnswered(); });
        Check c;
        c.check.start(QStringLiteral("10.0.0.1:80\r\n10.0.0.2:80"), 5);
        QTRY_COMPARE(site.server.requests().size(), 1);
        c.check.stop();
        QCOMPARE(c.finished.size(), 1);
        QCOMPARE(c.result().end, ProxyCheckResult::End::Stopped);
        QCOMPARE(c.result().notTested, 2);
        QVERIFY(c.started.isEmpty());
    }

    // Without an own address nothing is tried: no answer, an error status, a page instead of an address.
    void noOwnAddress_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("error status") << 500 << QByteArray("203.0.113.7");
        QTest::newRow("a page instead of an address") << 200 << QByteArray("<b>maintenance</b>");
        QTest::newRow("empty answer") << 200 << QByteArray();
    }
    void noOwnAddress()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        TestHome home;
        ProxyEchoSite site;
        site.server.setHandler([&](const auto &) { return Response::withStatus(status, body); });
        HoldingProxy proxy;
        Check c;
        c.check.start(proxy.hostPort(), 5);
        QVERIFY(caught(c.finished, 20000));
        QCOMPARE(c.result().end, ProxyCheckResult::End::NoOwnAddress);
        QCOMPARE(proxy.heldCount(), 0);
        QVERIFY(c.started.isEmpty());
    }

    // Nothing leaves the machine while the service host is the placeholder: no echo question, no report. The
    // same calls with a real host name do reach the catching proxy, so the catch would have seen them.
    void placeholderSendsNothing()
    {
        TestHome home;
        PlaceholderService service;
        QSignalSpy outgoing(&service.outside, &FixtureHttpServer::requestReceived);
        QVERIFY(!ProxyServiceConfigured());
        Check c;
        c.check.start(QStringLiteral("10.0.0.1:80"), 5);
        QVERIFY(caught(c.finished));
        QCOMPARE(c.result().end, ProxyCheckResult::End::NoOwnAddress);
        ProxyReporter reporter;
        reporter.ReportValidProxy(QStringLiteral("10.0.0.1:80"));
        QCOMPARE(reporter.busyCount(), 0);
        QVERIFY(staysQuiet(outgoing));

        service.base.set("http://proxy.paperharvest.example");
        reporter.ReportValidProxy(QStringLiteral("10.0.0.1:80"));
        QVERIFY(caught(outgoing));
        QVERIFY(service.outside.requests().first().target.startsWith(
            "http://proxy.paperharvest.example/zxipproxy/upip.asp?ip=10.0.0.1%3A80&r="));
    }

    // At most fifty reports at once; one that hangs is given up after thirty seconds and never reaches the
    // service afterwards; one that ends frees its slot at once.
    void reportSlots()
    {
        TestHome home;
        ManualClock clock;
        ProxyEchoSite site;
        site.server.setHandler([](const auto &) { return neverAnswered(); });
        ProxyReporter reporter;
        for (int i = 1; i <= ProxyReporter::kMaxReports + 1; ++i)
            reporter.ReportValidProxy(QStringLiteral("10.0.0.%1:80").arg(i));
        QCOMPARE(reporter.busyCount(), ProxyReporter::kMaxReports);
        // Qt sends at most six requests to one host at once and queues the rest. All six are in before the reports
        // are given up, so a request that arrives afterwards could only have been sent afterwards.
        constexpr int kConnectionsPerHost = 6;
        QTRY_COMPARE(site.server.requests().size(), kConnectionsPerHost);
        QVERIFY(clock.advance(ProxyReporter::kStaleAfter));
        QCOMPARE(reporter.busyCount(), ProxyReporter::kMaxReports);
        QVERIFY(clock.advance(ProxyReporter::kSweepInterval));
        QCOMPARE(reporter.busyCount(), 0);
        QSignalSpy later(&site.server, &FixtureHttpServer::requestReceived);
        QVERIFY(staysQuiet(later));
        QVERIFY(!site.reported().contains(QStringLiteral("10.0.0.51:80")));

        site.server.setHandler([](const auto &) { return Response::text("ok"); });
        reporter.ReportValidProxy(QStringLiteral("10.0.0.1:80"));
        QCOMPARE(reporter.busyCount(), 1);
        QTRY_COMPARE(reporter.busyCount(), 0);
    }
};

QTEST_MAIN(TestProxyCheck)
#include "test_proxycheck.moc"
