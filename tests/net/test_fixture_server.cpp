#include "support/FixtureHttpServer.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The fixture server serves every network test, so its scripted behaviours are checked here against Qt's own client.
class TestFixtureServer final : public QObject
{
    Q_OBJECT

private:
    using Response = FixtureHttpServer::Response;
    using Framing = FixtureHttpServer::Framing;

    std::unique_ptr<QNetworkReply> get(const QUrl &url, const QByteArray &referer = {})
    {
        QNetworkRequest req(url);
        if (!referer.isEmpty())
            req.setRawHeader("Referer", referer);
        return std::unique_ptr<QNetworkReply>(m_nam.get(req));
    }

    // Waits for the reply to finish and returns its body.
    QByteArray finish(QNetworkReply *reply)
    {
        if (!reply->isFinished()) {
            QSignalSpy done(reply, &QNetworkReply::finished);
            if (!done.wait(10000))
                return "<not finished>";
        }
        return reply->readAll();
    }

    QNetworkAccessManager m_nam;

private Q_SLOTS:
    void scriptedBodies_data()
    {
        QTest::addColumn<int>("framing");
        QTest::addColumn<int>("bytesPerInterval");
        QTest::addColumn<bool>("expectLength");

        QTest::newRow("content-length") << int(Framing::ContentLength) << 0 << true;
        QTest::newRow("content-length slow") << int(Framing::ContentLength) << 7000 << true;
        QTest::newRow("chunked") << int(Framing::Chunked) << 0 << false;
        QTest::newRow("chunked slow") << int(Framing::Chunked) << 9000 << false;
        QTest::newRow("no length") << int(Framing::None) << 0 << false;
        QTest::newRow("no length slow") << int(Framing::None) << 5000 << false;
    }

    void scriptedBodies()
    {
        QFETCH(int, framing);
        QFETCH(int, bytesPerInterval);
        QFETCH(bool, expectLength);

        FixtureHttpServer server;
        QByteArray body;
        for (int i = 0; i < 40000; ++i)
            body += char('a' + i % 26);
        Response r = Response::html(body);
        r.framing = Framing(framing);
        r.bytesPerInterval = bytesPerInterval;
        r.intervalMs = 1;
        server.route("/page", r);

        auto reply = get(server.url("/page"));
        QCOMPARE(finish(reply.get()), body);
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        QCOMPARE(reply->hasRawHeader("Content-Length"), expectLength);
        QCOMPARE(reply->rawHeader("Transfer-Encoding") == "chunked", framing == int(Framing::Chunked));
    }

    void recordsRequestsAndKeepsConnectionsAlive()
    {
        FixtureHttpServer server;
        server.route("/a", Response::html("A"));
        server.route("/b?x=1", Response::html("B1"));
        server.route("/b", Response::html("B"));

        auto r1 = get(server.url("/a"), "http://ref.example/");
        QCOMPARE(finish(r1.get()), QByteArray("A"));
        auto r2 = get(server.url("/b?x=1"));
        QCOMPARE(finish(r2.get()), QByteArray("B1"));
        auto r3 = get(server.url("/b?y=2"));
        QCOMPARE(finish(r3.get()), QByteArray("B"));

        const auto reqs = server.requests();
        QCOMPARE(reqs.size(), 3);
        QCOMPARE(reqs[0].method, QByteArray("GET"));
        QCOMPARE(reqs[0].path, QByteArray("/a"));
        QCOMPARE(reqs[0].header("referer"), QByteArray("http://ref.example/"));
        QCOMPARE(reqs[0].localPort, server.port());
        QCOMPARE(reqs[1].path, QByteArray("/b?x=1"));
        QCOMPARE(reqs[2].pathOnly(), QByteArray("/b"));
        QCOMPARE(server.requestsFor("/b").size(), 2);
        // Qt reuses the connection: the server answered all three on one.
        QCOMPARE(server.connectionCount(), 1);
        QCOMPARE(reqs[2].connection, 1);
    }

    void postBodyIsRecorded()
    {
        FixtureHttpServer server;
        server.route("/form", Response::html("ok"));
        QNetworkRequest req(server.url("/form"));
        req.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        std::unique_ptr<QNetworkReply> reply(m_nam.post(req, QByteArray("a=1&b=2")));
        QCOMPARE(finish(reply.get()), QByteArray("ok"));
        QCOMPARE(server.requests().value(0).method, QByteArray("POST"));
        QCOMPARE(server.requests().value(0).body, QByteArray("a=1&b=2"));
    }

    void statusLinesAndHandler()
    {
        FixtureHttpServer server;
        Response odd = Response::html("x");
        odd.statusLine = "HTTP/1.1 299 Fine";
        server.route("/odd", odd);
        server.setHandler([](const FixtureHttpServer::Request &req) -> std::optional<Response> {
            if (req.pathOnly().startsWith("/dyn/"))
                return Response::text(req.pathOnly().mid(5));
            return std::nullopt;
        });

        auto odd1 = get(server.url("/odd"));
        finish(odd1.get());
        QCOMPARE(odd1->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 299);
        QCOMPARE(odd1->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(), QStringLiteral("Fine"));

        auto dyn = get(server.url("/dyn/hello"));
        QCOMPARE(finish(dyn.get()), QByteArray("hello"));

        auto missing = get(server.url("/nothing"));
        finish(missing.get());
        QCOMPARE(missing->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 404);
    }

    void closedEarly()
    {
        FixtureHttpServer server;
        Response r = Response::html(QByteArray(10000, 'x'));
        r.closeAfterBodyBytes = 1234;
        server.route("/cut", r);
        auto reply = get(server.url("/cut"));
        // (Qt does not always flag the cut as an error, so the test looks at the bytes.)
        QCOMPARE(finish(reply.get()).size(), 1234);
        QCOMPARE(reply->header(QNetworkRequest::ContentLengthHeader).toInt(), 10000);
        QCOMPARE(server.openConnectionCount(), 0);
    }

    // A client that is gone may still have a request on its way (Qt resends one whose answer was cut short, from
    // its own thread); once forgotten, the server never reads it, so it is not counted with the next client's.
    void forgetsEarlierClientsUnheard()
    {
        FixtureHttpServer server;
        server.route("/early", Response::html("early"));
        server.route("/late", Response::html("late"));
        QTcpSocket early;
        early.connectToHost(QHostAddress::LocalHost, server.port());
        QVERIFY(early.waitForConnected(5000));
        early.write("GET /early HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QVERIFY(early.waitForBytesWritten(5000));

        server.forgetEarlierClients();
        auto late = get(server.url("/late"));
        QCOMPARE(finish(late.get()), QByteArray("late"));
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(server.requests().first().path, QByteArray("/late"));
        // Closed without an answer.
        if (early.state() != QAbstractSocket::UnconnectedState)
            QVERIFY(early.waitForDisconnected(5000));
        QCOMPARE(early.readAll(), QByteArray());
    }

    void stalledAfterHeaders()
    {
        FixtureHttpServer server;
        Response r = Response::html(QByteArray(10000, 'x'));
        r.stallAfterBodyBytes = 5;
        server.route("/stall", r);
        auto reply = get(server.url("/stall"));
        QByteArray got;
        connect(reply.get(), &QNetworkReply::readyRead, this, [&] { got += reply->readAll(); });
        QTRY_COMPARE(got, QByteArray("xxxxx"));
        QCOMPARE(reply->header(QNetworkRequest::ContentLengthHeader).toInt(), 10000);
        QSignalSpy done(reply.get(), &QNetworkReply::finished);
        QVERIFY(!done.wait(300));
        QCOMPARE(server.openConnectionCount(), 1);
        server.closeAllConnections();
        QVERIFY(done.wait(5000));
    }

    void servesDirectories()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir(dir.path()).mkpath("sub");
        auto write = [&](const QString &name, const QByteArray &data) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(data);
        };
        write("sub/index.html", "<html>index</html>");
        write("doc.pdf", "%PDF-1.4");
        write("page.htm", "<p>gbk</p>");

        FixtureHttpServer server;
        server.serveDirectory("/site/", dir.path());
        server.setContentType("htm", "text/html; charset=gbk");

        auto pdf = get(server.url("/site/doc.pdf"));
        QCOMPARE(finish(pdf.get()), QByteArray("%PDF-1.4"));
        QCOMPARE(pdf->rawHeader("Content-Type"), QByteArray("application/pdf"));

        auto index = get(server.url("/site/sub/?q=1"));
        QCOMPARE(finish(index.get()), QByteArray("<html>index</html>"));
        QCOMPARE(index->rawHeader("Content-Type"), QByteArray("text/html; charset=utf-8"));

        auto htm = get(server.url("/site/page.htm"));
        QCOMPARE(finish(htm.get()), QByteArray("<p>gbk</p>"));
        QCOMPARE(htm->rawHeader("Content-Type"), QByteArray("text/html; charset=gbk"));

        auto outside = get(server.url("/site/%2e%2e/%2e%2e/etc/passwd"));
        finish(outside.get());
        QVERIFY(outside->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400);
    }
};

QTEST_GUILESS_MAIN(TestFixtureServer)
#include "test_fixture_server.moc"
