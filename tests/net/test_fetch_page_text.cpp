#include "core/net/FetchPageText.h"
#include "core/net/TransferControl.h"
#include "support/FixtureHttpServer.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"
#include "support/TinyProxy.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTest>
#include <cerrno>
#include <ctime>
#include <qcoro/qcorotask.h>

using Response = FixtureHttpServer::Response;
using Framing = FixtureHttpServer::Framing;

namespace {

const QString kChinese = QStringLiteral("学术文献下载：中文页面");
const QString kTraditional = QStringLiteral("學術文獻下載：中文頁面");

QByteArray encoded(const char *codec, const QString &text)
{
    QStringEncoder enc(codec);
    return enc.encode(text);
}

QStringList leftovers(const TestHome &home)
{
    return QDir(home.path()).entryList({"inetdown*"}, QDir::Files);
}

QString fetch(const PageFetchRequest &request, TransferControl &control)
{
    return QCoro::waitFor(FetchPageText(request, &control));
}

// A fetch run in the background, so the test can move the clock meanwhile.
class FetchRun final : public QObject
{
    Q_OBJECT
public:
    FetchRun(const QString &address, TransferControl &control, const QString &charset, int timeout)
    {
        run(address, control, charset, timeout);
    }
    QString text;
    bool done = false;
Q_SIGNALS:
    void finished();

private:
    QCoro::Task<> run(QString address, TransferControl &control, QString charset, int timeout)
    {
        PageFetchRequest request{.address = address, .charset = charset, .timeoutSeconds = timeout};
        text = co_await FetchPageText(request, &control);
        done = true;
        Q_EMIT finished();
    }
};
} // namespace

class TestFetchPageText final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detectMetaCharset_data()
    {
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("charset");

        QTest::newRow("self-closed, double quotes")
            << "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" /><title>x</title>"
            << "gb2312";
        QTest::newRow("not self-closed, no later />")
            << "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\"><meta name=a>"
            << "";
        QTest::newRow("before the first meta, upper case") << "<HEAD><META CHARSET=\"big5\" /><title>"
                                                           << "big5";
        QTest::newRow("two spaces, single quotes") << "<meta charset  ='big5' />"
                                                   << "big5";
        QTest::newRow("three spaces") << "<meta charset   =utf-8 />"
                                      << "utf-8";
        QTest::newRow("first piece with a value wins")
            << "<meta name=x /><meta charset=\"gbk\" /><meta charset=\"big5\" />"
            << "gbk";
        QTest::newRow("unquoted, a later /> in the piece") << "<meta charset=gbk><link href=a.css />"
                                                           << "gbk";
        QTest::newRow("Meta tag in capitals is one piece") << "<Meta charset=gbk>"
                                                           << "";
        QTest::newRow("empty value") << "<meta charset=\"\" />"
                                     << "";
        QTest::newRow("nothing") << "<html><body>plain</body></html>"
                                 << "";
    }

    void detectMetaCharset()
    {
        QFETCH(QString, head);
        QFETCH(QString, charset);
        QCOMPARE(DetectMetaCharset(head), charset);
    }

    void charsetChoice_data()
    {
        QTest::addColumn<QByteArray>("contentType"); // empty: no Content-Type header
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("callerCharset");
        QTest::addColumn<QByteArray>("decodedAs"); // decoder the result must match; empty: failure

        const QByteArray gbk = encoded("GBK", "<html><body>" + kChinese + "</body></html>");
        const QByteArray gbkMeta =
            encoded("GBK", "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />"
                           "</head><body>" +
                               kChinese + "</body></html>");
        const QByteArray gbkMetaOpen =
            encoded("GBK", "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
                           "</head><body>" +
                               kChinese + "</body></html>");
        const QByteArray big5 = encoded("Big5", "<HEAD><META CHARSET='big5' /></HEAD>" + kTraditional);
        const QByteArray utf8 = ("<html>" + kChinese + "</html>").toUtf8();

        QTest::newRow("header gbk, auto") << QByteArray("text/html; charset=gbk") << gbk << "auto" << QByteArray("GBK");
        QTest::newRow("header gbk, AUTO") << QByteArray("text/html; charset=gbk") << gbk << "AUTO" << QByteArray("GBK");
        QTest::newRow("header gbk, caller utf-8")
            << QByteArray("text/html; charset=gbk") << gbk << "utf-8" << QByteArray("UTF-8");
        QTest::newRow("only the second piece counts")
            << QByteArray("text/html; foo=1; charset=gbk") << gbk << "" << QByteArray("UTF-8");
        QTest::newRow("quoted header charset")
            << QByteArray("text/html; charset=\"GBK\"") << gbk << "auto" << QByteArray("GBK");
        QTest::newRow("meta gb2312 read as GBK") << QByteArray("text/html") << gbkMeta << "" << QByteArray("GBK");
        QTest::newRow("meta without />") << QByteArray("text/html") << gbkMetaOpen << "auto" << QByteArray("UTF-8");
        QTest::newRow("meta big5") << QByteArray() << big5 << "" << QByteArray("Big5");
        QTest::newRow("header beats meta")
            << QByteArray("text/html;charset=utf-8") << gbkMeta << "" << QByteArray("UTF-8");
        QTest::newRow("nothing named") << QByteArray() << utf8 << "" << QByteArray("UTF-8");
        QTest::newRow("unknown header charset")
            << QByteArray("text/html; charset=x-no-such-set") << utf8 << "" << QByteArray();
        QTest::newRow("unknown caller charset") << QByteArray("text/html") << utf8 << "klingon" << QByteArray();
    }

    void charsetChoice()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, body);
        QFETCH(QString, callerCharset);
        QFETCH(QByteArray, decodedAs);

        TestHome home;
        RecordingPrompt prompt;
        FixtureHttpServer server;
        Response r;
        r.body = body;
        if (!contentType.isEmpty())
            r.withHeader("Content-Type", contentType);
        server.route("/page", r);

        TransferControl control;
        const QString text = fetch({.address = server.urlText("/page"), .charset = callerCharset}, control);
        if (decodedAs.isEmpty()) {
            QCOMPARE(text, QString());
            QCOMPARE(prompt.entries.size(), 1);
            QVERIFY(prompt.entries[0].text.startsWith(QStringLiteral("编码转换出错：")));
            QCOMPARE(prompt.entries[0].icon, Prompt::Icon::Critical);
        } else {
            QStringDecoder decoder(decodedAs.constData());
            QCOMPARE(text, decoder.decode(body));
            QVERIFY(prompt.entries.isEmpty());
            if (decodedAs != "UTF-8")
                QVERIFY(text.contains(kChinese) || text.contains(kTraditional));
        }
        QCOMPARE(leftovers(home), QStringList());
    }

    void requestCarriesRefererMethodAndPort_data()
    {
        QTest::addColumn<QString>("referer");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QByteArray>("expectMethod");
        QTest::addColumn<QByteArray>("expectBody");

        QTest::newRow("given referer, GET") << "http://scholar.example/s?wd=x"
                                            << "get" << QByteArray("GET") << QByteArray();
        QTest::newRow("empty referer") << ""
                                       << "GET" << QByteArray("GET") << QByteArray();
        QTest::newRow("POST") << ""
                              << "Post" << QByteArray("POST") << QByteArray("a=1&b=2");
        QTest::newRow("other method becomes GET") << ""
                                                  << "PUT" << QByteArray("GET") << QByteArray();
    }

    void requestCarriesRefererMethodAndPort()
    {
        QFETCH(QString, referer);
        QFETCH(QString, method);
        QFETCH(QByteArray, expectMethod);
        QFETCH(QByteArray, expectBody);

        TestHome home;
        FixtureHttpServer server; // listens on an ephemeral port, so the address always carries one
        server.route("/doc", Response::html("<html>ok page</html>"));
        TransferControl control;
        const QString address = server.urlText("/doc?id=9");
        QCOMPARE(fetch({.address = address,
                        .referer = referer,
                        .charset = "utf-8",
                        .timeoutSeconds = 60,
                        .method = method,
                        .postData = "a=1&b=2"},
                       control),
                 QStringLiteral("<html>ok page</html>"));

        QCOMPARE(server.requests().size(), 1);
        const auto req = server.requests().first();
        QCOMPARE(req.localPort, server.port());
        QCOMPARE(control.remotePort(), int(server.port()));
        QCOMPARE(req.method, expectMethod);
        QCOMPARE(req.body, expectBody);
        QCOMPARE(QString::fromUtf8(req.header("Referer")),
                 referer.isEmpty() ? QStringLiteral("http://127.0.0.1:%1").arg(server.port()) : referer);
        QCOMPARE(req.header("Content-Type"),
                 expectMethod == "POST" ? QByteArray("application/x-www-form-urlencoded") : QByteArray());
    }

    void connectionSettingsFollowTheAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("port");
        QTest::newRow("http with port 8080") << "http://127.0.0.1:8080/x" << 4 << 8080;
        QTest::newRow("https without port") << "https://127.0.0.1/x" << 5 << 443;
        QTest::newRow("http without port") << "http://127.0.0.1/x" << 4 << 80;
        QTest::newRow("port without a path keeps 80") << "http://127.0.0.1:8080" << 4 << 80;
        QTest::newRow("HTTPS in capitals with port") << "HTTPS://127.0.0.1:8443/x" << 5 << 8443;
    }

    void connectionSettingsFollowTheAddress()
    {
        QFETCH(QString, address);
        QFETCH(int, protocol);
        QFETCH(int, port);
        // Only the settings are looked at; whatever answers on these ports (usually nothing) does not matter.
        ManualClock clock;
        TestHome home;
        TransferControl control;
        FetchRun run(address, control, {}, 5);
        QSignalSpy finished(&run, &FetchRun::finished);
        QCOMPARE(control.protocol(), protocol);
        QCOMPARE(control.remotePort(), port);
        QCOMPARE(control.accessType(), int(TransferControl::icUseDefault));
        // Should something answer there after all, each of its silences ends after five seconds.
        for (int i = 0; i < 3 && !run.done; ++i) {
            QVERIFY(clock.advance(std::chrono::seconds(5)));
            finished.wait(1000);
        }
        QVERIFY(run.done);
        QCOMPARE(leftovers(home), QStringList());
    }

    void failuresGiveEmptyTextAndNoFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("404") << "/missing";
        QTest::newRow("200 without OK") << "/fine";
        QTest::newRow("no answer before the time-out") << "/silent";
        QTest::newRow("server gone") << "dead";
    }

    void failuresGiveEmptyTextAndNoFile()
    {
        QFETCH(QString, path);
        ManualClock clock;
        TestHome home;
        RecordingPrompt prompt;
        FixtureHttpServer server;
        Response fine = Response::html("<html>a page that is fine</html>");
        fine.statusLine = "HTTP/1.1 200 Fine";
        server.route("/fine", fine);
        Response silent;
        silent.headerDelayMs = -1;
        server.route("/silent", silent);

        QString address = server.urlText(path);
        if (path == "dead") {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            address = QStringLiteral("http://127.0.0.1:%1/x").arg(probe.serverPort());
        }
        TransferControl control;
        QSignalSpy asked(&server, &FixtureHttpServer::requestReceived);
        FetchRun run(address, control, "utf-8", 10);
        QSignalSpy finished(&run, &FetchRun::finished);
        if (path == "/silent") {
            QVERIFY(caught(asked));
            QVERIFY(clock.advance(std::chrono::milliseconds(9999)));
            QVERIFY(staysQuiet(finished));
            QVERIFY(clock.advance(std::chrono::milliseconds(1)));
        }
        QVERIFY(caught(finished));
        QCOMPARE(run.text, QString());
        QVERIFY(!control.stillExecuting());
        QCOMPARE(leftovers(home), QStringList());
        QVERIFY(prompt.entries.isEmpty());
    }

    // A body is a page only when it is whole: its announced length is in or, without one, the response ended
    // cleanly. Anything closed short, broken off or fallen silent gives nothing, however much of it arrived.
    void partialBodies_data()
    {
        QTest::addColumn<int>("framing");
        QTest::addColumn<int>("stallAfter");
        QTest::addColumn<int>("closeAfter");
        QTest::addColumn<int>("expected"); // characters of the text returned

        QTest::newRow("stalled, length known") << int(Framing::ContentLength) << 3100 << -1 << 0;
        QTest::newRow("stalled, no length") << int(Framing::None) << 3100 << -1 << 0;
        QTest::newRow("stalled, chunked") << int(Framing::Chunked) << 3100 << -1 << 0;
        QTest::newRow("stalled before any byte") << int(Framing::ContentLength) << 0 << -1 << 0;
        QTest::newRow("closed short of its length") << int(Framing::ContentLength) << -1 << 3100 << 0;
        // Without a length the close is the end of the body: nothing tells it from a whole page.
        QTest::newRow("closed, no length") << int(Framing::None) << -1 << 3100 << 3100;
        QTest::newRow("whole, length known") << int(Framing::ContentLength) << -1 << -1 << 3600;
        QTest::newRow("whole, chunked") << int(Framing::Chunked) << -1 << -1 << 3600;
    }

    void partialBodies()
    {
        QFETCH(int, framing);
        QFETCH(int, stallAfter);
        QFETCH(int, closeAfter);
        QFETCH(int, expected);

        ManualClock clock;
        TestHome home;
        FixtureHttpServer server;
        Response r = Response::html(QByteArray(3600, 'p'), "text/html; charset=utf-8");
        r.framing = Framing(framing);
        r.stallAfterBodyBytes = stallAfter;
        r.closeAfterBodyBytes = closeAfter;
        server.route("/p", r);
        TransferControl control;
        QSignalSpy headersIn(&control, &TransferControl::executionEnded);
        QSignalSpy progress(&control, &TransferControl::bodyProgress);
        FetchRun run(server.urlText("/p"), control, "auto", 20);
        QSignalSpy finished(&run, &FetchRun::finished);
        if (stallAfter >= 0) {
            // What the server sends before it falls silent arrives in one piece on loopback.
            QTRY_VERIFY(headersIn.count() > 0 && (stallAfter == 0 || progress.count() > 0));
            QVERIFY(staysQuiet(finished));
            // 20 s of silence end the read.
            QVERIFY(clock.advance(std::chrono::seconds(20)));
        }
        QVERIFY(caught(finished));
        QCOMPARE(run.text, QString(expected, 'p'));
        QCOMPARE(leftovers(home), QStringList());
        server.closeAllConnections();
    }

    // Only web addresses are fetched: a local file or an address carrying its own body gives nothing, and nothing
    // is sent anywhere.
    void onlyWebAddressesAreFetched_data()
    {
        QTest::addColumn<QString>("address"); // %1: a readable local file
        QTest::newRow("file") << "file://%1";
        QTest::newRow("FILE in capitals") << "FILE://%1";
        QTest::newRow("data") << "data:text/html,<html>" + QString(200, 'd') + "</html>";
        QTest::newRow("ftp") << "ftp://127.0.0.1/x.htm";
        QTest::newRow("no scheme") << "%1";
    }

    void onlyWebAddressesAreFetched()
    {
        QFETCH(QString, address);
        TestHome home;
        const QString local = home.filePath("local.htm");
        QFile file(local);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html>" + QByteArray(200, 'l') + "</html>");
        file.close();
        TransferControl control;
        QCOMPARE(fetch({.address = QString(address).replace(QStringLiteral("%1"), local),
                        .charset = "utf-8",
                        .timeoutSeconds = 5},
                       control),
                 QString());
        QVERIFY(!control.stillExecuting());
        QCOMPARE(leftovers(home), QStringList());
    }

    void slowBodiesArriveWhole_data()
    {
        QTest::addColumn<int>("framing");
        QTest::newRow("no length, one byte at a time") << int(Framing::None);
        QTest::newRow("length, one byte at a time") << int(Framing::ContentLength);
        QTest::newRow("chunked, one byte at a time") << int(Framing::Chunked);
    }

    void slowBodiesArriveWhole()
    {
        QFETCH(int, framing);
        TestHome home;
        FixtureHttpServer server;
        const QByteArray body = "<html><body>" + QByteArray(60, 's') + "</body></html>";
        Response r = Response::html(body, "text/html; charset=utf-8");
        r.framing = Framing(framing);
        r.bytesPerInterval = 1;
        r.intervalMs = 2;
        server.route("/slow", r);
        TransferControl control;
        QCOMPARE(fetch({.address = server.urlText("/slow"), .charset = "auto", .timeoutSeconds = 30}, control),
                 QString::fromUtf8(body));
    }

    void bodyFileLivesInTheDataFolderOnlyDuringTheFetch()
    {
        TestHome home;
        FixtureHttpServer server;
        Response r = Response::html(QByteArray(6000, 'b'), "text/html");
        r.bytesPerInterval = 1000;
        r.intervalMs = 20;
        server.route("/b", r);
        TransferControl control;
        QStringList seen;
        connect(&control, &TransferControl::bodyProgress, this, [&] { seen << leftovers(home); });
        QCOMPARE(fetch({.address = server.urlText("/b"), .timeoutSeconds = 30}, control), QString(6000, 'b'));
        seen.removeDuplicates();
        QCOMPARE(seen.size(), 1);
        QVERIFY(QRegularExpression("^inetdown[0-9A-Za-z]{10}_tmp\\.htm$").match(seen.value(0)).hasMatch());
        QCOMPARE(leftovers(home), QStringList());
    }

    // A data folder that cannot hold the body fails every page alike; it is told once, with the system's reason,
    // rather than every row silently turning into a failed download.
    void unwritableDataFolderIsToldOnce()
    {
        TestHome home;
        RecordingPrompt prompt;
        FixtureHttpServer server;
        server.route("/p", Response::html("<html>page</html>"));
        QVERIFY(QDir(home.path()).removeRecursively());
        QFile blocker(home.path()); // a file where the folder was
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        TransferControl control;
        QCOMPARE(fetch({.address = server.urlText("/p"), .timeoutSeconds = 30}, control), QString());
        QCOMPARE(fetch({.address = server.urlText("/p"), .timeoutSeconds = 30}, control), QString());
        QCOMPARE(prompt.entries.size(), 1);
        QCOMPARE(prompt.entries[0].icon, Prompt::Icon::Critical);
        QVERIFY2(prompt.entries[0].text.contains(QStringLiteral("inetdown")), qPrintable(prompt.entries[0].text));
        QVERIFY2(prompt.entries[0].text.contains(qt_error_string(ENOTDIR)), qPrintable(prompt.entries[0].text));

        // Once pages are written again, a later failure is news again.
        QVERIFY(QFile::remove(home.path()));
        QVERIFY(QDir().mkpath(home.path()));
        QCOMPARE(fetch({.address = server.urlText("/p"), .timeoutSeconds = 30}, control),
                 QStringLiteral("<html>page</html>"));
        QVERIFY(QDir(home.path()).removeRecursively());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QCOMPARE(fetch({.address = server.urlText("/p"), .timeoutSeconds = 30}, control), QString());
        QCOMPARE(prompt.entries.size(), 2);
        QVERIFY(QFile::remove(home.path()));
    }

    void busyControlIsCancelledFirst()
    {
        TestHome home;
        FixtureHttpServer server;
        Response silent;
        silent.headerDelayMs = -1;
        server.route("/silent", silent);
        server.route("/page", Response::html("second"));
        TransferControl control;
        QVERIFY(control.execute(server.urlText("/silent")));
        QVERIFY(control.stillExecuting());
        QCOMPARE(fetch({.address = server.urlText("/page"), .charset = "utf-8", .timeoutSeconds = 30}, control),
                 QStringLiteral("second"));
    }

    void waitingUsesNoCpu()
    {
        TestHome home;
        FixtureHttpServer server;
        Response silent;
        silent.headerDelayMs = -1;
        server.route("/silent", silent);
        TransferControl control;
        auto task = FetchPageText({.address = server.urlText("/silent"), .timeoutSeconds = 60}, &control);
        QVERIFY(control.stillExecuting());
        const std::clock_t before = std::clock();
        QTest::qWait(500);
        const double cpuMs = double(std::clock() - before) * 1000.0 / CLOCKS_PER_SEC;
        // A polling loop would burn the whole half second; an idle wait costs next to nothing.
        QVERIFY2(cpuMs < 150, qPrintable(QStringLiteral("%1 ms of CPU while waiting").arg(cpuMs)));
        control.cancel();
        QCOMPARE(QCoro::waitFor(task), QString());
        QCOMPARE(leftovers(home), QStringList());
    }

    void throughARealProxy()
    {
        if (!TinyProxy::isAvailable())
            QSKIP("tinyproxy is not installed (apt-get install tinyproxy); the proxy path is not tested");
        TinyProxy proxy;
        QVERIFY2(proxy.start(), qPrintable(proxy.errorString()));
        TestHome home;
        FixtureHttpServer server;
        server.route("/via", Response::html(encoded("GBK", kChinese), "text/html; charset=GBK"));
        TransferControl control;
        QCOMPARE(
            fetch(
                {.address = server.urlText("/via"), .charset = "auto", .timeoutSeconds = 30, .proxy = proxy.hostPort()},
                control),
            kChinese);
        QCOMPARE(control.accessType(), int(TransferControl::icNamedProxy));
        QCOMPARE(control.proxy(), "HTTP=" + proxy.hostPort());
        QCOMPARE(server.requests().size(), 1);
        QVERIFY2(server.requests().first().header("Via").contains("tinyproxy"),
                 server.requests().first().header("Via").constData());
        QCOMPARE(leftovers(home), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestFetchPageText)
#include "test_fetch_page_text.moc"
