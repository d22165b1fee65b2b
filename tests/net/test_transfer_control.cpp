#include "core/net/TransferControl.h"
#include "support/FixtureHttpServer.h"
#include "support/ManualClock.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <qcoro/qcorotask.h>

using namespace std::chrono_literals;
using Response = FixtureHttpServer::Response;

// Reads the body chunk by chunk the way the engines do, until an empty chunk.
static QByteArray readAll(TransferControl &control, std::chrono::milliseconds wait = 5000ms)
{
    QByteArray body;
    for (;;) {
        const QByteArray piece = QCoro::waitFor(control.getChunk(2048, wait));
        if (piece.isEmpty())
            return body;
        body += piece;
    }
}

// openUrl run in the background, so the test can move the clock meanwhile.
class OpenUrlRun final : public QObject
{
    Q_OBJECT
public:
    OpenUrlRun(TransferControl &control, const QString &address) { run(control, address); }
    QByteArray body;
Q_SIGNALS:
    void finished();

private:
    QCoro::Task<> run(TransferControl &control, QString address)
    {
        body = co_await control.openUrl(address);
        Q_EMIT finished();
    }
};

static QList<int> states(const QSignalSpy &spy)
{
    QList<int> out;
    for (const auto &args : spy)
        out << args.at(0).toInt();
    return out;
}

class TestTransferControl final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void executeReadsHeadersAndBodyInChunks()
    {
        FixtureHttpServer server;
        QByteArray body;
        for (int i = 0; i < 10000; ++i)
            body += char('0' + i % 10);
        Response r = Response::html(body, "text/html; charset=gbk");
        r.bytesPerInterval = 3000;
        r.intervalMs = 2;
        server.route("/doc", r);

        TransferControl control;
        QSignalSpy stateSpy(&control, &TransferControl::stateChanged);
        QVERIFY(control.execute(server.urlText("/doc?id=7"), "GET", {}, "\r\nReferer: http://from.example/page\r\n"));
        QVERIFY(control.stillExecuting());
        QVERIFY(QCoro::waitFor(control.waitWhileExecuting(10000ms)));
        QVERIFY(!control.stillExecuting());

        const QStringList lines = control.getHeader().split("\r\n");
        QCOMPARE(lines.first(), QStringLiteral("HTTP/1.1 200 OK"));
        QVERIFY(lines.contains(QStringLiteral("Content-Type: text/html; charset=gbk")));
        QCOMPARE(control.getHeader("content-length"), QString::number(body.size()));
        QCOMPARE(control.getHeader("X-Missing"), QString());
        QCOMPARE(readAll(control), body);
        QVERIFY(control.bodyAtEnd());

        const auto req = server.requests().value(0);
        QCOMPARE(req.path, QByteArray("/doc?id=7"));
        QCOMPARE(req.header("Referer"), QByteArray("http://from.example/page"));
        // The body arrives as sent, so its length is what Content-Length announced.
        QCOMPARE(req.header("Accept-Encoding"), QByteArray("identity"));

        QTRY_COMPARE(control.state(), int(TransferControl::icResponseCompleted));
        const QList<int> seen = states(stateSpy);
        QCOMPARE(seen.first(), 1);
        QCOMPARE(seen.last(), 12);
        QVERIFY(seen.contains(8));
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
        QVERIFY(!seen.contains(11));
    }

    void portAndProtocolDecideTheConnection_data()
    {
        QTest::addColumn<QString>("address"); // %1 = the server port
        QTest::addColumn<int>("protocol");
        QTest::addColumn<bool>("usePort"); // set remotePort = server port
        QTest::addColumn<bool>("reached");

        QTest::newRow("address port, remote port left to it") << "http://127.0.0.1:%1/p" << 0 << false << true;
        QTest::newRow("remote port wins over the address") << "http://127.0.0.1:1/p" << 4 << true << true;
        QTest::newRow("https address sent as http by protocol 4") << "https://127.0.0.1:%1/p" << 4 << true << true;
        QTest::newRow("remote port elsewhere") << "http://127.0.0.1:%1/p" << 4 << false << false;
    }

    void portAndProtocolDecideTheConnection()
    {
        QFETCH(QString, address);
        QFETCH(int, protocol);
        QFETCH(bool, usePort);
        QFETCH(bool, reached);

        FixtureHttpServer server;
        server.route("/p", Response::html("ok"));
        quint16 deadPort = 0; // a port nothing listens on any more
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            deadPort = probe.serverPort();
        }

        TransferControl control;
        control.setProtocol(protocol);
        control.setRemotePort(usePort ? server.port() : (protocol ? deadPort : 0));
        QVERIFY(control.execute(address.contains("%1") ? address.arg(server.port()) : address));
        QVERIFY(QCoro::waitFor(control.waitWhileExecuting(10000ms)));
        QCOMPARE(server.requests().size(), reached ? 1 : 0);
        if (reached) {
            QCOMPARE(control.statusCode(), 200);
            QCOMPARE(readAll(control), QByteArray("ok"));
            QCOMPARE(control.effectiveUrl().port(), int(server.port()));
        } else {
            QCOMPARE(control.state(), int(TransferControl::icError));
            QCOMPARE(control.responseCode(), 12029);
            QVERIFY(!control.responseInfo().isEmpty());
        }
    }

    void errorStatusIsACompleteAnswer()
    {
        FixtureHttpServer server;
        TransferControl control;
        QVERIFY(control.execute(server.urlText("/missing")));
        QVERIFY(QCoro::waitFor(control.waitWhileExecuting(10000ms)));
        QCOMPARE(control.getHeader().section("\r\n", 0, 0), QStringLiteral("HTTP/1.1 404 Not Found"));
        QCOMPARE(control.statusCode(), 404);
        QTRY_COMPARE(control.state(), int(TransferControl::icResponseCompleted));
        QCOMPARE(control.responseCode(), 0);
    }

    void unansweredRequestTimesOut()
    {
        ManualClock clock;
        FixtureHttpServer server;
        Response silent;
        silent.headerDelayMs = -1;
        server.route("/silent", silent);

        TransferControl control;
        control.setRequestTimeout(5);
        QSignalSpy ended(&control, &TransferControl::executionEnded);
        QSignalSpy asked(&server, &FixtureHttpServer::requestReceived);
        QVERIFY(control.execute(server.urlText("/silent")));
        QVERIFY(caught(asked));
        QVERIFY(clock.advance(4999ms));
        QVERIFY(staysQuiet(ended));
        QVERIFY(clock.advance(1ms));
        QVERIFY(caught(ended));
        QVERIFY(!control.stillExecuting());
        QCOMPARE(control.state(), int(TransferControl::icError));
        QCOMPARE(control.responseCode(), 12002);
        QCOMPARE(control.getHeader(), QString());
        QVERIFY(QCoro::waitFor(control.getChunk(2048, 1000ms)).isEmpty());
    }

    void refusesASecondRequestAndBadAddresses()
    {
        FixtureHttpServer server;
        Response silent;
        silent.headerDelayMs = -1;
        server.route("/silent", silent);
        TransferControl control;
        QVERIFY(control.execute(server.urlText("/silent")));
        QVERIFY(!control.execute(server.urlText("/other")));
        QVERIFY(control.stillExecuting());
        control.cancel();
        QVERIFY(!control.stillExecuting());
        QVERIFY(!control.execute("ftp://example.invalid/x"));
        QVERIFY(!control.execute("not an address"));
        QCOMPARE(control.state(), int(TransferControl::icError));
        QVERIFY(!control.stillExecuting());
    }

    void stalledBodyAndCancel()
    {
        FixtureHttpServer server;
        Response r = Response::html(QByteArray(5000, 'x'));
        r.stallAfterBodyBytes = 100;
        server.route("/stall", r);

        TransferControl control;
        QSignalSpy stateSpy(&control, &TransferControl::stateChanged);
        QVERIFY(control.execute(server.urlText("/stall")));
        QVERIFY(QCoro::waitFor(control.waitWhileExecuting(10000ms)));
        QCOMPARE(readAll(control, 200ms).size(), 100); // stops at the first wait that runs out
        QVERIFY(!control.bodyAtEnd());
        QVERIFY(QCoro::waitFor(control.getChunk(2048, 20ms)).isEmpty());

        control.cancel();
        QVERIFY(control.bodyAtEnd());
        const QList<int> seen = states(stateSpy);
        QCOMPARE(seen.mid(seen.size() - 2), (QList<int>{9, 10}));
        QVERIFY(QCoro::waitFor(control.getChunk(2048, -1ms)).isEmpty());
    }

    void cancelWakesAWaitingReader()
    {
        FixtureHttpServer server;
        Response r = Response::html(QByteArray(5000, 'x'));
        r.stallAfterBodyBytes = 0;
        server.route("/stall", r);
        TransferControl control;
        QVERIFY(control.execute(server.urlText("/stall")));
        QVERIFY(QCoro::waitFor(control.waitWhileExecuting(10000ms)));
        QTimer::singleShot(10, &control, [&] { control.cancel(); });
        QVERIFY(QCoro::waitFor(control.getChunk(2048, -1ms)).isEmpty()); // returns although no limit was given
    }

    void postSendsTheBody()
    {
        FixtureHttpServer server;
        server.route("/form", Response::html("done"));
        TransferControl control;
        QVERIFY(control.execute(server.urlText("/form"), "post", "a=1&b=%E4",
                                "\r\nReferer: x\r\nContent-Type: application/x-www-form-urlencoded"));
        QVERIFY(QCoro::waitFor(control.waitWhileExecuting(10000ms)));
        const auto req = server.requests().value(0);
        QCOMPARE(req.method, QByteArray("POST"));
        QCOMPARE(req.body, QByteArray("a=1&b=%E4"));
        QCOMPARE(req.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    }

    void redirectIsFollowed()
    {
        FixtureHttpServer server;
        server.route("/old", Response::redirect("/new"));
        server.route("/new", Response::html("moved here"));
        TransferControl control;
        QVERIFY(control.execute(server.urlText("/old")));
        QVERIFY(QCoro::waitFor(control.waitWhileExecuting(10000ms)));
        QCOMPARE(control.statusCode(), 200);
        QCOMPARE(readAll(control), QByteArray("moved here"));
        QCOMPARE(control.effectiveUrl().path(), QStringLiteral("/new"));
    }

    void openUrlGivesWholeBodiesOfGoodAnswersOnly_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("200") << "/ok" << QByteArray(300000, 'b');
        QTest::newRow("200 chunked") << "/chunked" << QByteArray(300000, 'c');
        QTest::newRow("404 page") << "/missing" << QByteArray();
        QTest::newRow("cut short") << "/cut" << QByteArray();
        QTest::newRow("stalled") << "/stall" << QByteArray();
    }

    void openUrlGivesWholeBodiesOfGoodAnswersOnly()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, expected);
        ManualClock clock;
        FixtureHttpServer server;
        server.route("/ok", Response::text(QByteArray(300000, 'b')));
        Response chunked = Response::text(QByteArray(300000, 'c'));
        chunked.framing = FixtureHttpServer::Framing::Chunked;
        chunked.bytesPerInterval = 50000;
        chunked.intervalMs = 1;
        server.route("/chunked", chunked);
        Response cut = Response::text(QByteArray(300000, 'd'));
        cut.closeAfterBodyBytes = 1000;
        server.route("/cut", cut);
        Response stall = Response::text(QByteArray(300000, 'e'));
        stall.stallAfterBodyBytes = 1000;
        server.route("/stall", stall);

        TransferControl control;
        control.setRequestTimeout(10);
        QSignalSpy progress(&control, &TransferControl::bodyProgress);
        OpenUrlRun run(control, server.urlText(path));
        QSignalSpy finished(&run, &OpenUrlRun::finished);
        if (path == "/stall") {
            // Ten seconds of silence after the last bytes end the transfer, not a moment earlier.
            QVERIFY(caught(progress));
            QVERIFY(clock.advance(9999ms));
            QVERIFY(staysQuiet(finished));
            QVERIFY(clock.advance(1ms));
        }
        QVERIFY(caught(finished));
        QCOMPARE(run.body, expected);
        if (expected.isEmpty() && path != "/missing")
            QVERIFY2(control.responseCode() != 0, qPrintable(control.responseInfo()));
        QVERIFY(!control.stillExecuting());
    }

    void proxyTextForms_data()
    {
        QTest::addColumn<QString>("form"); // %1 = proxy port
        QTest::newRow("host:port") << "127.0.0.1:%1";
        QTest::newRow("HTTP=host:port") << "HTTP=127.0.0.1:%1";
        QTest::newRow("http://host:port") << "http://127.0.0.1:%1";
    }

    void proxyTextForms()
    {
        QFETCH(QString, form);
        // The fixture server stands in for the proxy: a proxied request names the whole address.
        FixtureHttpServer proxy;
        proxy.setHandler([](const FixtureHttpServer::Request &) { return std::optional(Response::html("via proxy")); });
        TransferControl control;
        control.setAccessType(TransferControl::icNamedProxy);
        control.setProxy(form.arg(proxy.port()));
        control.setProtocol(TransferControl::icHTTP);
        control.setRemotePort(proxy.port());
        QVERIFY(control.execute("http://papers.example.invalid:8080/x?y=1"));
        QVERIFY(QCoro::waitFor(control.waitWhileExecuting(10000ms)));
        QCOMPARE(readAll(control), QByteArray("via proxy"));
        QCOMPARE(proxy.requests().value(0).target, QByteArray("http://papers.example.invalid:8080/x?y=1"));
    }
};

QTEST_GUILESS_MAIN(TestTransferControl)
#include "test_transfer_control.moc"
