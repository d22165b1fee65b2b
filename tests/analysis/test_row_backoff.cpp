// The service withholding rows' pages from the analysis: its verification page, 429 and 503 answers, the back-off
// before each retry and the end of a run when the service keeps refusing.
#include "AnalysisBench.h"

#include "core/net/RetryRule.h"

#include <QFile>
#include <QTest>

using Response = FixtureHttpServer::Response;
using namespace std::chrono_literals;

namespace {
// A page long enough to be looked at, with one free PDF source at `link` (or none).
QByteArray documentPage(const QString &link)
{
    QByteArray page = "<html><head><meta charset=\"utf-8\"/><title>文献</title></head><body><div class=\"abstract\">"
                      "这是一篇用于测试的文献页面，页面文字足够长，可以被分析。</div>";
    if (!link.isEmpty())
        page += "<div class=\"dl_item_wrap\"><a class=\"dl_item\" href=\"" + link.toUtf8() +
                "\" target=\"_blank\"><i class=\"c-icon-pdf\"></i>来源</a>(全网免费下载)</div>";
    return page + "</body></html>";
}

QByteArray verificationPage()
{
    QFile file(AnalysisBench::scholarFolder() + QStringLiteral("/verify.htm"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Answers `path` with `refusal` the first `times` requests, then with `page`.
void refuseThenServe(FixtureHttpServer &server, const QString &path, const Response &refusal, int times,
                     const Response &page)
{
    server.route(path, times > 0 ? refusal : page);
    // The route is looked up after this signal, so the switch applies to the request that brought it.
    QObject::connect(&server, &FixtureHttpServer::requestReceived, &server,
                     [&server, path, times, page](const FixtureHttpServer::Request &request) {
                         if (request.pathOnly() == path.toUtf8() && server.requestsFor(path).size() > times)
                             server.route(path, page);
                     });
}

Response refusal(int status, const QByteArray &retryAfter)
{
    Response r = Response::withStatus(status, "<html><body>slow down</body></html>");
    if (!retryAfter.isNull())
        r.withHeader("Retry-After", retryAfter);
    return r;
}
} // namespace

class TestRowBackoff : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Each row's answer: "v" the verification page, "429" a refusal (asked again at once, and refused again), "ok"
    // a page with a free link, "none" a page without one. A withheld page fails its row instead of reading as a page
    // without a link; three in a row end the run, naming the last.
    void withheldPages_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("statuses");
        QTest::addColumn<int>("endedWith"); // -1: the run went to its end; else the ServicePageState named

        const QString failed = QStringLiteral("失败(下载)");
        const int verification = int(ServicePageState::Verification);
        const int refused = int(ServicePageState::Refused);
        QTest::newRow("one verification page") << QStringList{"v", "ok"} << QStringList{failed, "成功"} << -1;
        QTest::newRow("three in a row end the run")
            << QStringList{"v", "v", "v", "ok"} << QStringList{failed, failed, failed, ""} << verification;
        QTest::newRow("a page between breaks the streak")
            << QStringList{"v", "v", "none", "v", "v", "ok"}
            << QStringList{failed, failed, "无pdf", failed, failed, "成功"} << -1;
        QTest::newRow("refusals in a row end the run")
            << QStringList{"429", "429", "429", "ok"} << QStringList{failed, failed, failed, ""} << refused;
        QTest::newRow("mixed, named by the last")
            << QStringList{"429", "v", "v", "ok"} << QStringList{failed, failed, failed, ""} << verification;
    }
    void withheldPages()
    {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, statuses);
        QFETCH(int, endedWith);
        AnalysisBench bench;
        const QString link = bench.server.urlText(QStringLiteral("/files/d101.pdf"));
        for (int i = 0; i < answers.size(); ++i) {
            const QString path = QStringLiteral("/row%1").arg(i);
            const QString &a = answers.at(i);
            bench.server.route(path, a == u"v"     ? Response::html(verificationPage())
                                     : a == u"429" ? refusal(429, "0")
                                     : a == u"ok"  ? Response::html(documentPage(link))
                                                   : Response::html(documentPage({})));
            bench.addRow(bench.server.urlText(path), QStringLiteral("标题%1").arg(i));
        }
        QSignalSpy unusable(&bench.driver, &AnalysisDriver::serviceUnusable);
        QVERIFY(bench.runToEnd(AnalysisSet::All));
        QCOMPARE(bench.statuses(), statuses);
        QCOMPARE(unusable.size(), endedWith < 0 ? 0 : 1);
        if (endedWith >= 0) {
            const auto verdict = unusable.first().at(0).value<ServicePageVerdict>();
            QCOMPARE(int(verdict.state), endedWith);
            QCOMPARE(unusable.first().at(1).toString(), bench.rows.row(AnalysisDriver::kServiceRefusalsToStop - 1).key);
            // The run ended: the row after the streak was never asked for.
            QVERIFY(bench.server.requestsFor(QStringLiteral("/row%1").arg(answers.size() - 1)).isEmpty());
        }
        QCOMPARE(bench.view.downloads.size(), statuses.count(QStringLiteral("成功")));
        // A withheld page is not the row's page: the next run asks again.
        for (int i = 0; i < answers.size(); ++i) {
            QString key = bench.rows.row(i).key;
            QCOMPARE(IsVisitedAddress(key), statuses.at(i) == u"成功" || statuses.at(i) == u"无pdf");
        }
        QVERIFY(bench.prompt.entries.isEmpty());
    }

    // A 429 or 503 is asked again after the delay the server names (at most 120 s), else after 5, 20 and 60 s, at
    // most three times; the row fails when the refusals outlast the retries.
    void backOffBeforeAskingAgain_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("retryAfter"); // null: none
        QTest::addColumn<int>("refusals");          // answers before the page comes
        QTest::addColumn<QList<int>>("waits");      // seconds before each retry
        QTest::addColumn<QString>("rowStatus");
        QTest::newRow("429, then the page") << 429 << QByteArray() << 1 << QList<int>{5} << "成功";
        QTest::newRow("429 outlasting the retries")
            << 429 << QByteArray() << 4 << QList<int>{5, 20, 60} << "失败(下载)";
        QTest::newRow("503 naming seconds") << 503 << QByteArray("7") << 2 << QList<int>{7, 7} << "成功";
        QTest::newRow("a longer wait than allowed")
            << 429 << QByteArray("3600") << 4 << QList<int>{120, 120, 120} << "失败(下载)";
    }
    void backOffBeforeAskingAgain()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, retryAfter);
        QFETCH(int, refusals);
        QFETCH(QList<int>, waits);
        QFETCH(QString, rowStatus);
        AnalysisBench bench;
        const QString path = QStringLiteral("/busy");
        refuseThenServe(bench.server, path, refusal(status, retryAfter), refusals,
                        Response::html(documentPage(bench.server.urlText(QStringLiteral("/files/d101.pdf")))));
        bench.addRow(bench.server.urlText(path), QStringLiteral("标题"));
        QSignalSpy retrying(&bench.driver, &AnalysisDriver::retryWaiting);
        QSignalSpy requests(&bench.server, &FixtureHttpServer::requestReceived);
        QSignalSpy finished(&bench.driver, &AnalysisDriver::runFinished);
        bench.driver.start(AnalysisSet::All);
        for (int i = 0; i < waits.size(); ++i) {
            QTRY_COMPARE(retrying.size(), i + 1);
            QCOMPARE(retrying.last().at(1).value<std::chrono::milliseconds>(), std::chrono::seconds(waits.at(i)));
            QCOMPARE(retrying.last().at(2).toInt(), i + 1);
            requests.clear();
            QVERIFY(bench.clock.advance(std::chrono::seconds(waits.at(i)) - 1ms));
            QVERIFY(staysQuiet(requests));
            QVERIFY(bench.clock.advance(1ms));
            QVERIFY(caught(requests));
        }
        QVERIFY(caught(finished));
        QCOMPARE(bench.rows.row(0).status, rowStatus);
        QCOMPARE(bench.server.requestsFor(path).size(), int(waits.size()) + 1);
        QCOMPARE(bench.driver.retries(), int(waits.size()));
    }

    // "停止" during a back-off ends it at once: the row fails and the run ends without asking again.
    void stopDuringTheBackOff()
    {
        AnalysisBench bench;
        bench.server.route(QStringLiteral("/busy"), refusal(429, "120"));
        bench.addRow(bench.server.urlText(QStringLiteral("/busy")), QStringLiteral("标题"));
        bench.addRow(bench.site.resultLink(QStringLiteral("d101")), QStringLiteral("深度学习综述"));
        QSignalSpy retrying(&bench.driver, &AnalysisDriver::retryWaiting);
        QSignalSpy finished(&bench.driver, &AnalysisDriver::runFinished);
        bench.driver.start(AnalysisSet::All);
        QVERIFY(caught(retrying));
        bench.driver.stop();
        QVERIFY(caught(finished));
        QCOMPARE(bench.statuses(), (QStringList{"失败(下载)", ""}));
        QCOMPARE(bench.server.requests().size(), 1);
        QCOMPARE(bench.driver.retries(), 1);
    }
};

QTEST_GUILESS_MAIN(TestRowBackoff)
#include "test_row_backoff.moc"
