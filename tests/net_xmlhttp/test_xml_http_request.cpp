#include "core/net/XmlHttpRequest.h"
#include "core/net/XmlHttpRequestSet.h"
#include "support/FixtureHttpServer.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using Response = FixtureHttpServer::Response;

namespace {

// Long enough for a stray end event to show up: the poll timer ticks every 10 ms.
constexpr int kQuietMs = 300;
constexpr int kEndMs = 10000;

// What one instance raised: its end events and its poll ticks.
struct Ends {
    explicit Ends(XmlHttpRequest &request)
        : arrived(&request, &XmlHttpRequest::OnDateArrived), failed(&request, &XmlHttpRequest::OnDateErr),
          ticks(&request, &XmlHttpRequest::OnReadyStateChange)
    {}
    int count() const { return int(arrived.size() + failed.size()); }
    bool wait()
    {
        return QTest::qWaitFor([this] { return count() > 0; }, kEndMs);
    }
    // No end event within a bound that would have shown one.
    bool quiet()
    {
        return !QTest::qWaitFor([this] { return count() > 0; }, kQuietMs);
    }
    QString description() const { return failed.isEmpty() ? QString() : failed.first().at(0).toString(); }

    QSignalSpy arrived;
    QSignalSpy failed;
    QSignalSpy ticks;
};

QString deadAddress()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return QStringLiteral("http://127.0.0.1:%1/x").arg(probe.serverPort());
}

Response slowResponse()
{
    Response r = Response::text(QByteArray(4000, 'x'));
    r.bytesPerInterval = 10;
    r.intervalMs = 50;
    return r;
}

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestXmlHttpRequest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void successCarriesBodyHeadersAndDecodedText()
    {
        FixtureHttpServer server;
        const QString text = QStringLiteral("新版本 1.2.3");
        const QByteArray gbk = QStringEncoder("GBK").encode(text);
        server.route("/doc", Response::html(gbk, "text/html; charset=\"gbk\"")
                                 .withHeader("X-Served-By", "fixture")
                                 .withHeader("Set-Cookie", "a=1")
                                 .withHeader("Set-Cookie", "b=2"));

        XmlHttpRequest request;
        Ends ends(request);
        request.Open_(QStringLiteral("get"), server.urlText("/doc"));
        QVERIFY(!request.DownOK());
        QCOMPARE(request.ReadyState(), int(XmlHttpRequest::Loading));
        request.SetRequestHeader(QStringLiteral("X-Asked"), QStringLiteral("yes"));
        request.Send_();
        // Every event comes from the poll timer, never from inside Send_.
        QCOMPARE(ends.ticks.size(), 0);
        QVERIFY(ends.wait());

        QCOMPARE(ends.arrived.size(), 1);
        QCOMPARE(ends.failed.size(), 0);
        QVERIFY(ends.ticks.size() >= 1);
        QVERIFY(request.DownOK());
        QCOMPARE(request.ReadyState(), int(XmlHttpRequest::Completed));
        QCOMPARE(request.Status(), 200);
        QCOMPARE(request.StatusText(), QStringLiteral("OK"));
        QCOMPARE(request.GetResponseHeader(QStringLiteral("x-served-by")), QStringLiteral("fixture"));
        QCOMPARE(request.GetResponseHeader(QStringLiteral("X-Missing")), QString());
        const QString all = request.GetAllResponseHeaders();
        QVERIFY(all.contains(QStringLiteral("X-Served-By: fixture\r\n")));
        QVERIFY(all.contains(QStringLiteral("Set-Cookie: a=1\r\nSet-Cookie: b=2\r\n")));
        QCOMPARE(request.ResponseBody(), gbk);
        QCOMPARE(request.ResponseText(), text);

        const auto sent = server.requests().value(0);
        QCOMPARE(sent.method, QByteArray("GET"));
        QCOMPARE(sent.header("X-Asked"), QByteArray("yes"));

        // Finished means finished: no tick and no second end event afterwards.
        const auto ticks = ends.ticks.size();
        QVERIFY(!ends.ticks.wait(kQuietMs));
        QCOMPARE(ends.ticks.size(), ticks);
        QCOMPARE(ends.count(), 1);
    }

    void requestGoesOutAsOpened_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QByteArray>("sentMethod");
        QTest::addColumn<QByteArray>("sentBody");

        QTest::newRow("get sends no body") << "get"
                                           << "ignored" << QByteArray("GET") << QByteArray();
        QTest::newRow("post as UTF-8") << "Post"
                                       << "名=1" << QByteArray("POST") << QStringLiteral("名=1").toUtf8();
        QTest::newRow("other verbs") << " put "
                                     << "x" << QByteArray("PUT") << QByteArray("x");
    }

    void requestGoesOutAsOpened()
    {
        QFETCH(QString, method);
        QFETCH(QString, body);
        QFETCH(QByteArray, sentMethod);
        QFETCH(QByteArray, sentBody);

        FixtureHttpServer server;
        server.route("/r", Response::text("ok"));
        XmlHttpRequest request;
        Ends ends(request);
        request.Open_(method, server.urlText("/r"));
        request.SetRequestHeader(QStringLiteral("X-Good"), QStringLiteral("1"));
        // Headers that would break the header block are dropped, not sent.
        request.SetRequestHeader(QStringLiteral("X-Bad"), QStringLiteral("1\r\nX-Injected: 1"));
        request.SetRequestHeader(QStringLiteral("Bad Name"), QStringLiteral("1"));
        request.Send_(body);
        QVERIFY(ends.wait());
        QCOMPARE(ends.arrived.size(), 1);

        const auto sent = server.requests().value(0);
        QCOMPARE(sent.method, sentMethod);
        QCOMPARE(sent.body, sentBody);
        QCOMPARE(sent.header("X-Good"), QByteArray("1"));
        QVERIFY(!sent.hasHeader("X-Bad"));
        QVERIFY(!sent.hasHeader("X-Injected"));
        QVERIFY(!sent.hasHeader("Bad Name"));
    }

    void statusDecidesTheEndEvent_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("arrived");
        QTest::addColumn<QString>("description");

        QTest::newRow("200") << 200 << true << QString();
        QTest::newRow("204") << 204 << false << QStringLiteral("请求收到，但返回信息为空");
        QTest::newRow("404") << 404 << false << QStringLiteral("没有发现文件?查询或URl");
        QTest::newRow("416") << 416 << false
                             << QStringLiteral("请求中包含Range请求头字段，在当前请求资源范围内没有range指示值，"
                                               "请求也不包含If-Range请求头字段");
        QTest::newRow("418 without description") << 418 << false << QString();
        QTest::newRow("500") << 500 << false << QStringLiteral("服务器产生内部错误");
        QTest::newRow("505") << 505 << false << QStringLiteral("服务器不支持或拒绝支请求头中指定的HTTP版本");
    }

    void statusDecidesTheEndEvent()
    {
        QFETCH(int, status);
        QFETCH(bool, arrived);
        QFETCH(QString, description);

        FixtureHttpServer server;
        server.route("/s", Response::withStatus(status, status == 204 ? QByteArray() : QByteArray("page")));
        XmlHttpRequest request;
        Ends ends(request);
        request.Open_(QStringLiteral("GET"), server.urlText("/s"));
        request.Send_();
        QVERIFY(ends.wait());
        QCOMPARE(ends.arrived.size(), arrived ? 1 : 0);
        QCOMPARE(ends.failed.size(), arrived ? 0 : 1);
        QCOMPARE(ends.description(), description);
        QCOMPARE(request.Status(), status);
        QVERIFY(request.DownOK());
    }

    void statusAboveTheTableEndsWithoutEvent()
    {
        FixtureHttpServer server;
        server.route("/s", Response::withStatus(700, "odd"));
        XmlHttpRequest request;
        Ends ends(request);
        request.Open_(QStringLiteral("GET"), server.urlText("/s"));
        request.Send_();
        QTRY_VERIFY_WITH_TIMEOUT(request.DownOK(), kEndMs);
        QCOMPARE(request.Status(), 700);
        QCOMPARE(request.ReadyState(), int(XmlHttpRequest::Completed));
        // The end event would have come in the tick that set DownOK.
        QCOMPARE(ends.count(), 0);
        QVERIFY(!ends.ticks.wait(kQuietMs));
    }

    void redirectsFollowOnlyToWebAddresses_data()
    {
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<bool>("arrived");
        QTest::addColumn<QString>("description");
        QTest::addColumn<int>("status");

        QTest::newRow("to a page of the server") << QByteArray("/target") << true << QString() << 200;
        QTest::newRow("to a local file") << QByteArray("file:///etc/hostname") << false
                                         << QStringLiteral("在其他地址发现了请求数据") << 302;
        QTest::newRow("to another scheme")
            << QByteArray("ftp://127.0.0.1/target") << false << QStringLiteral("在其他地址发现了请求数据") << 302;
    }

    void redirectsFollowOnlyToWebAddresses()
    {
        QFETCH(QByteArray, location);
        QFETCH(bool, arrived);
        QFETCH(QString, description);
        QFETCH(int, status);

        FixtureHttpServer server;
        server.route("/moved", Response::redirect(location));
        server.route("/target", Response::text("here"));
        XmlHttpRequest request;
        Ends ends(request);
        request.Open_(QStringLiteral("GET"), server.urlText("/moved"));
        request.Send_();
        QVERIFY(ends.wait());
        QCOMPARE(ends.arrived.size(), arrived ? 1 : 0);
        QCOMPARE(ends.description(), description);
        QCOMPARE(request.Status(), status);
        QCOMPARE(request.ResponseBody().isEmpty(), !arrived);
    }

    void failuresWithoutAnAnswer_data()
    {
        QTest::addColumn<QString>("address"); // "dead" = a loopback port nothing listens on; %1 = the server port

        QTest::newRow("refused connection") << "dead";
        QTest::newRow("ftp address") << "ftp://127.0.0.1:%1/s";
        QTest::newRow("local file") << "file:///etc/hostname";
        QTest::newRow("script") << "javascript:alert(1)";
        QTest::newRow("not an address") << "no address at all";
        QTest::newRow("empty") << "";
    }

    void failuresWithoutAnAnswer()
    {
        QFETCH(QString, address);

        FixtureHttpServer server;
        server.route("/s", Response::text("never"));
        if (address == u"dead")
            address = deadAddress();
        else if (address.contains(u"%1"))
            address = address.arg(server.port());

        XmlHttpRequest request;
        Ends ends(request);
        request.Open_(QStringLiteral("GET"), address);
        request.Send_();
        QCOMPARE(ends.count(), 0);
        QVERIFY(ends.wait());
        QCOMPARE(ends.failed.size(), 1);
        QCOMPARE(ends.description(), QString());
        QCOMPARE(request.Status(), 0);
        QVERIFY(request.DownOK());
        QVERIFY(!request.errorString().isEmpty());
        QCOMPARE(server.requests().size(), 0);
    }

    void bodyCutShortIsAFailure_data()
    {
        QTest::addColumn<int>("framing");

        QTest::newRow("content length") << int(FixtureHttpServer::Framing::ContentLength);
        QTest::newRow("chunked") << int(FixtureHttpServer::Framing::Chunked);
    }

    void bodyCutShortIsAFailure()
    {
        QFETCH(int, framing);

        FixtureHttpServer server;
        Response r = Response::text(QByteArray(5000, 'x'));
        r.framing = FixtureHttpServer::Framing(framing);
        r.bytesPerInterval = 1000;
        r.intervalMs = 1;
        r.closeAfterBodyBytes = 2000;
        server.route("/cut", r);

        XmlHttpRequest request;
        Ends ends(request);
        request.Open_(QStringLiteral("GET"), server.urlText("/cut"));
        request.Send_();
        QVERIFY(ends.wait());
        QCOMPARE(ends.arrived.size(), 0);
        QCOMPARE(ends.failed.size(), 1);
        QCOMPARE(ends.description(), QString());
        QVERIFY(!request.errorString().isEmpty());
    }

    void stalledRequestPollsUntilAborted_data()
    {
        QTest::addColumn<bool>("headersSent");
        QTest::addColumn<int>("stalledState");

        QTest::newRow("no answer at all") << false << int(XmlHttpRequest::Loading);
        QTest::newRow("stalls in the body") << true << int(XmlHttpRequest::Interactive);
    }

    void stalledRequestPollsUntilAborted()
    {
        QFETCH(bool, headersSent);
        QFETCH(int, stalledState);

        FixtureHttpServer server;
        Response r = Response::text(QByteArray(5000, 'x'));
        if (headersSent)
            r.stallAfterBodyBytes = 100;
        else
            r.headerDelayMs = -1;
        server.route("/stall", r);

        XmlHttpRequest request;
        Ends ends(request);
        request.Open_(QStringLiteral("GET"), server.urlText("/stall"));
        request.Send_();
        QTRY_VERIFY_WITH_TIMEOUT(server.requests().size() == 1 && request.ReadyState() == stalledState, kEndMs);
        if (headersSent)
            QCOMPARE(request.ResponseBody(), QByteArray(100, 'x'));
        QVERIFY(ends.quiet());
        QVERIFY(ends.ticks.size() > 1);
        QVERIFY(!request.DownOK());

        request.Abort_();
        QCOMPARE(request.ReadyState(), int(XmlHttpRequest::Uninitialized));
        QVERIFY(!ends.ticks.wait(kQuietMs));
        QCOMPARE(ends.count(), 0);
        QVERIFY(!request.DownOK());
        QCOMPARE(request.Status(), 0);
        QVERIFY(request.ResponseBody().isEmpty());
    }

    void sendNeedsAFreshOpen()
    {
        FixtureHttpServer server;
        server.route("/r", Response::text("ok"));
        XmlHttpRequest request;
        Ends ends(request);

        // Never opened: nothing is sent and nothing polls.
        request.Send_();
        QVERIFY(!ends.ticks.wait(kQuietMs));

        request.Open_(QStringLiteral("GET"), server.urlText("/r"));
        request.Send_();
        QVERIFY(ends.wait());
        QCOMPARE(ends.arrived.size(), 1);

        // Sent already: a second Send_ neither repeats the request nor the event.
        request.Send_();
        QVERIFY(!ends.ticks.wait(kQuietMs));
        QCOMPARE(ends.arrived.size(), 1);
        QCOMPARE(server.requests().size(), 1);

        // An aborted request can be opened and sent again.
        server.route("/slow", slowResponse());
        request.Open_(QStringLiteral("GET"), server.urlText("/slow"));
        request.Send_();
        QTRY_VERIFY_WITH_TIMEOUT(request.ReadyState() >= XmlHttpRequest::Loaded, kEndMs);
        request.Abort_();
        request.Send_();
        QVERIFY(!ends.ticks.wait(kQuietMs));
        request.Open_(QStringLiteral("GET"), server.urlText("/r"));
        QVERIFY(!request.DownOK());
        request.Send_();
        QTRY_COMPARE_WITH_TIMEOUT(ends.arrived.size(), 2, kEndMs);
        QCOMPARE(ends.failed.size(), 0);
        QCOMPARE(request.ResponseText(), QStringLiteral("ok"));
    }

    void saveFile_data()
    {
        QTest::addColumn<QString>("route");     // what the server answers
        QTest::addColumn<bool>("asFileUrl");    // pass the path as a "file:///" address
        QTest::addColumn<bool>("folderExists"); // the save file's folder is there
        QTest::addColumn<bool>("arrived");
        QTest::addColumn<QByteArray>("fileAfter"); // null: no file at the path

        const QByteArray old("older file");
        QTest::newRow("replaces an older file") << "/body" << false << true << true << QByteArray("new body");
        QTest::newRow("file address") << "/body" << true << true << true << QByteArray("new body");
        QTest::newRow("empty body writes nothing") << "/empty" << false << true << true << old;
        QTest::newRow("error page is not saved") << "/missing" << false << true << false << old;
        QTest::newRow("cut short is not saved") << "/cut" << false << true << false << old;
        QTest::newRow("unwritable target") << "/body" << false << false << false << QByteArray();
    }

    void saveFile()
    {
        QFETCH(QString, route);
        QFETCH(bool, asFileUrl);
        QFETCH(bool, folderExists);
        QFETCH(bool, arrived);
        QFETCH(QByteArray, fileAfter);

        FixtureHttpServer server;
        server.route("/body", Response::text("new body"));
        server.route("/empty", Response::text({}));
        server.route("/missing", Response::withStatus(404, "no such page"));
        Response cut = Response::text(QByteArray(5000, 'x'));
        cut.closeAfterBodyBytes = 1000;
        server.route("/cut", cut);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = folderExists ? dir.path() : dir.filePath(QStringLiteral("missing"));
        const QString path = folder + QStringLiteral("/新版 本.txt");
        if (folderExists)
            QVERIFY(writeFile(path, "older file"));

        XmlHttpRequest request;
        Ends ends(request);
        QByteArray savedWhenArrived;
        connect(&request, &XmlHttpRequest::OnDateArrived, this, [&] { savedWhenArrived = fileBytes(path); });
        request.Open_(QStringLiteral("GET"), server.urlText(route),
                      asFileUrl ? QUrl::fromLocalFile(path).toString() : path);
        request.Send_();
        QVERIFY(ends.wait());
        QCOMPARE(ends.arrived.size(), arrived ? 1 : 0);
        QCOMPARE(ends.failed.size(), arrived ? 0 : 1);
        if (arrived)
            QCOMPARE(savedWhenArrived, fileAfter); // written before the event
        QCOMPARE(QFile::exists(path), !fileAfter.isNull());
        QCOMPARE(fileBytes(path), fileAfter);
        // No temporary file is left beside it.
        QCOMPARE(folderEntries(folder),
                 fileAfter.isNull() ? QStringList() : QStringList{QStringLiteral("新版 本.txt")});
    }

    void setMembersReportTheirNumber()
    {
        FixtureHttpServer server;
        server.route("/ok", Response::text("fine"));
        server.route("/missing", Response::withStatus(404));
        server.route("/slow", slowResponse());

        XmlHttpRequestSet set;
        QSignalSpy arrived(&set, &XmlHttpRequestSet::OnDateArrived);
        QSignalSpy failed(&set, &XmlHttpRequestSet::OnDateErr);
        // Released from inside their own end events, as the report requests are.
        connect(&set, &XmlHttpRequestSet::OnDateArrived, &set, [&](int index) { set.unload(index); });
        connect(&set, &XmlHttpRequestSet::OnDateErr, &set, [&](int index, const QString &) { set.unload(index); });

        const QStringList paths{QStringLiteral("/ok"), QStringLiteral("/missing"), QStringLiteral("/ok"),
                                QStringLiteral("/slow"), QStringLiteral("/missing")};
        for (int i = 0; i < paths.size(); ++i) {
            XmlHttpRequest *member = set.load(i + 1);
            QVERIFY(member);
            member->Open_(QStringLiteral("GET"), server.urlText(paths.at(i)));
            member->Send_();
        }
        QVERIFY(!set.load(3));
        QVERIFY(!set.load(-1));
        QCOMPARE(set.loadedIndexes(), (QList<int>{1, 2, 3, 4, 5}));

        QTRY_COMPARE_WITH_TIMEOUT(arrived.size() + failed.size(), 4, kEndMs);
        QList<int> arrivedIndexes;
        for (const auto &args : arrived)
            arrivedIndexes << args.at(0).toInt();
        std::sort(arrivedIndexes.begin(), arrivedIndexes.end());
        QCOMPARE(arrivedIndexes, (QList<int>{1, 3}));
        for (const auto &args : failed)
            QCOMPARE(args.at(1).toString(), QStringLiteral("没有发现文件?查询或URl"));
        QCOMPARE(set.loadedIndexes(), QList<int>{4});

        // A released number is free again; the slow member, released while running, stays silent.
        XmlHttpRequest *again = set.load(1);
        QVERIFY(again);
        QSignalSpy ticks(&set, &XmlHttpRequestSet::OnReadyStateChange);
        set.unload(4);
        again->Open_(QStringLiteral("GET"), server.urlText(QStringLiteral("/ok")));
        again->Send_();
        QTRY_COMPARE_WITH_TIMEOUT(arrived.size(), 3, kEndMs);
        QCOMPARE(arrived.last().at(0).toInt(), 1);
        for (const auto &args : ticks)
            QCOMPARE(args.at(0).toInt(), 1);
        QVERIFY(!failed.wait(kQuietMs));
        QCOMPARE(failed.size(), 2);
        QVERIFY(set.loadedIndexes().isEmpty());

        // A member the host deletes itself leaves the set too.
        delete set.load(7);
        QVERIFY(!set.isLoaded(7));
        QVERIFY(set.load(7));
    }

    void releasedFromItsOwnTickStopsAtOnce()
    {
        FixtureHttpServer server;
        server.route("/ok", Response::text("fine"));
        XmlHttpRequestSet set;
        QSignalSpy ends(&set, &XmlHttpRequestSet::OnDateArrived);
        QSignalSpy ticks(&set, &XmlHttpRequestSet::OnReadyStateChange);
        connect(&set, &XmlHttpRequestSet::OnReadyStateChange, &set, [&](int index) { set.unload(index); });

        XmlHttpRequest *member = set.load(0);
        QPointer<XmlHttpRequest> watch(member);
        member->Open_(QStringLiteral("GET"), server.urlText(QStringLiteral("/ok")));
        member->Send_();
        QVERIFY(ticks.wait(kEndMs));
        QTRY_VERIFY(!watch);
        QVERIFY(!ends.wait(kQuietMs));
        QCOMPARE(ticks.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestXmlHttpRequest)
#include "test_xml_http_request.moc"
