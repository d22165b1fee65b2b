// Engine 1 against the fixture server: one transfer at a time through the transfer control.
#include "EngineTestFixture.h"

#include "core/download/DownloadTexts.h"
#include "core/download/engines/Engine1.h"
#include "core/download/engines/Engine1Connection.h"
#include "core/net/TransferControl.h"
#include "support/FileSizeLimit.h"
#include "support/FixtureHttpServer.h"
#include "support/FolderFiles.h"
#include "support/HoldingProxy.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"
#include "support/TinyProxy.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <optional>

using Response = FixtureHttpServer::Response;
using Framing = FixtureHttpServer::Framing;

namespace {
QByteArray bodyOf(int size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>('0' + (i * 13) % 10);
    return "%PDF-1.4\n" + b;
}

FixtureHttpServer::Response statusAnswer(int code, const QByteArray &body = {})
{
    FixtureHttpServer::Response r;
    r.status = code;
    r.body = body;
    r.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/html")));
    return r;
}

const QByteArray kLoginPage = "<HTML lang=zh><HEAD><title>login</title></head><body>please log in</body></HTML>";
// A PDF body sent 4 KiB every 20 ms: long enough to act on a transfer in the middle of its body.
Response slowPdf(int size)
{
    Response slow = Response::text(bodyOf(size), "application/pdf");
    slow.bytesPerInterval = 4096;
    slow.intervalMs = 20;
    return slow;
}
} // namespace

class TestEngine1 : public QObject, protected EngineTestFixture
{
    Q_OBJECT

    // Runs one row to its end; the engine's result.
    // Runs the row to its end: whether its file was saved. A transfer that never ends fails the test.
    bool runRow(Engine1 &engine, int row)
    {
        QSignalSpy ended(&engine, &Engine1::transferEnded);
        engine.Inet下载当前文件(row);
        // An address the engine refuses ends inside the call, before there is anything to wait for.
        if (ended.isEmpty() && !ended.wait(20000)) {
            QTest::qFail("the transfer never ended", __FILE__, __LINE__);
            return false;
        }
        return ended.first().at(1).toBool();
    }

    QString folder() const { return m_dir->path() + QLatin1Char('/'); }

private Q_SLOTS:
    void init() { setUpFixture(); }
    void cleanup() { tearDownFixture(); }

    void okAnswers_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("file"); // the file the row ends with
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("size"); // size, downloaded and file at the end
        QTest::addColumn<bool>("baseTag");
        QTest::addColumn<QList<int>>("sounds");

        const QByteArray pdf = bodyOf(30000);
        QTest::newRow("pdf with length") << Response::text(pdf, "application/pdf") << "doc.pdf"
                                         << "pdf"
                                         << "30009" << false << QList<int>{};
        // Smaller than one read: the last read is counted as every other.
        QTest::newRow("pdf smaller than a chunk") << Response::text(bodyOf(1991), "application/pdf") << "doc.pdf"
                                                  << "pdf"
                                                  << "2000" << false << QList<int>{};
        Response none = Response::text(pdf, "application/octet-stream");
        none.framing = Framing::None;
        none.bytesPerInterval = 7000;
        // Queued as "xxx"; the first bytes say PDF.
        QTest::newRow("no length, closed") << none << "doc.pdf"
                                           << "pdf"
                                           << "30009" << false << QList<int>{};
        Response chunked = Response::text(pdf, "application/octet-stream");
        chunked.framing = Framing::Chunked;
        chunked.bytesPerInterval = 5001;
        QTest::newRow("no length, chunked") << chunked << "doc.pdf"
                                            << "pdf"
                                            << "30009" << false << QList<int>{};
        // text/html gives "html"; the detection then names every web page "htm".
        QTest::newRow("web page by its media type")
            << Response::html(kLoginPage, "text/html; charset=gbk") << "doc.htm"
            << "htm" << QString::number(kLoginPage.size()) << true << QList<int>{101};
        // An anonymous stream keeps the queued type, then the first bytes reveal a web page.
        QTest::newRow("login page as a stream")
            << Response::text(kLoginPage, "application/octet-stream") << "doc.htm"
            << "htm" << QString::number(kLoginPage.size()) << true << QList<int>{101};
    }
    void okAnswers()
    {
        QFETCH(Response, response);
        QFETCH(QString, file);
        QFETCH(QString, type);
        QFETCH(QString, size);
        QFETCH(bool, baseTag);
        QFETCH(QList<int>, sounds);

        FixtureHttpServer server;
        server.route(QStringLiteral("/doc"), response);
        const QString address = server.urlText(QStringLiteral("/doc"));
        const int row = m_context->addRow(address, QStringLiteral("doc"), QStringLiteral("xxx"), folder());
        Engine1 engine(*m_context);
        QVERIFY(runRow(engine, row));

        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(item.state, ItemState::Done);
        QCOMPARE(item.type, type);
        QCOMPARE(item.size, size);
        QCOMPARE(filesIn(m_dir->path()), QStringList{file});
        QByteArray expected = response.body;
        if (baseTag)
            expected.replace("</head>", "<Base href='" + address.toUtf8() + "'></head>");
        QCOMPARE(readFile(m_dir->filePath(file)), expected);
        QCOMPARE(m_context->sounds, sounds);
        QVERIFY(!m_context->busy);
        QVERIFY(!engine.stillExecuting());
        QCOMPARE(m_context->transferEnds, 1);
        QCOMPARE(m_context->status[2].first(), QStringLiteral("正在下载:doc"));
        QCOMPARE(m_context->status[2].last(), QStringLiteral("完成下载:") + item.name);
        QVERIFY(m_context->status[3].contains(QStringLiteral("1 正在查询所指定的主机的 IP 地址...")));
        QVERIFY(m_context->status[3].contains(QStringLiteral("8 已成功地接收到主机的响应。")));
        // Every byte counted, the last read too, whether or not a length was announced.
        QCOMPARE(item.downloaded, QString::number(response.body.size()));
        QCOMPARE(item.percent, QStringLiteral("100%"));
    }

    // Every way a transfer ends without the document leaves no file behind.
    void failures_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QString>("percent");
        // The silence the engine's limit has to end, once the request is out or the body stands still at
        // `stillAt` bytes; 0 for none.
        QTest::addColumn<qint64>("silenceMs");
        QTest::addColumn<QString>("stillAt");
        // An error answer says what the server answered instead of the document.
        QTest::newRow("404") << statusAnswer(404, "<html>missing</html>") << QStringLiteral("HTTP 404") << qint64(0)
                             << QString();
        QTest::newRow("500") << statusAnswer(500) << QStringLiteral("HTTP 500") << qint64(0) << QString();
        Response silent = Response::text("x");
        silent.headerDelayMs = -1;
        QTest::newRow("no answer within the limit")
            << silent << QStringLiteral("超时") << qint64(Engine1::kRequestLimit.count()) << QString();
        Response stalled = Response::text(bodyOf(100000), "application/pdf");
        stalled.stallAfterBodyBytes = 6000;
        // Below the progress floor for a whole minute, whether the body stops or trickles.
        QTest::newRow("stalled") << stalled << QStringLiteral("超时") << qint64(ProgressFloor::kFloorWindow.count())
                                 << QStringLiteral("6000");
        Response trickle = Response::text(bodyOf(100000), "application/pdf");
        trickle.bytesPerInterval = 1;
        trickle.intervalMs = 50;
        QTest::newRow("trickle") << trickle << QStringLiteral("超时") << qint64(ProgressFloor::kFloorWindow.count())
                                 << QStringLiteral("1");
        trickle.framing = Framing::Chunked;
        QTest::newRow("trickle without a length")
            << trickle << QStringLiteral("超时") << qint64(ProgressFloor::kFloorWindow.count()) << QStringLiteral("1");
        Response shortBody = Response::text(bodyOf(100000), "application/pdf");
        shortBody.closeAfterBodyBytes = 6000;
        QTest::newRow("shorter than announced") << shortBody << QStringLiteral("连接中断") << qint64(0) << QString();
    }
    void failures()
    {
        QFETCH(Response, response);
        QFETCH(QString, percent);
        QFETCH(qint64, silenceMs);
        QFETCH(QString, stillAt);
        FixtureHttpServer server;
        server.route(QStringLiteral("/doc.pdf"), response);
        const int row = m_context->addRow(server.urlText(QStringLiteral("/doc.pdf")), QStringLiteral("doc"),
                                          QStringLiteral("pdf"), folder());
        Engine1 engine(*m_context);
        QSignalSpy ended(&engine, &Engine1::transferEnded);
        QSignalSpy asked(&server, &FixtureHttpServer::requestReceived);
        engine.Inet下载当前文件(row);
        if (silenceMs > 0) {
            QVERIFY(caught(asked));
            // The clock moves only once the body has begun (the floor counts from the answer).
            if (!stillAt.isEmpty())
                QTRY_VERIFY(m_context->model.item(row).downloaded.toLongLong() >= stillAt.toLongLong());
            // The limit is not a moment shorter than it says, nor longer than the moment after.
            QVERIFY(m_clock->advance(std::chrono::milliseconds(silenceMs - 1)));
            QVERIFY(staysQuiet(ended));
            QVERIFY(m_clock->advance(std::chrono::milliseconds(2)));
        }
        QVERIFY(caught(ended));
        QVERIFY(!ended.first().at(1).toBool());
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(item.state, ItemState::Failed);
        QCOMPARE(item.percent, percent);
        QCOMPARE(filesIn(m_dir->path()), QStringList());
        QCOMPARE(m_context->sounds, QList<int>{103});
        QVERIFY(!m_context->busy);
        server.closeAllConnections();
    }

    // A connection the server refuses and a body the disk refuses each fail the row with their reason.
    void refusals_data()
    {
        QTest::addColumn<bool>("serverGone");
        QTest::addColumn<QString>("percent");
        QTest::newRow("connection refused") << true << QStringLiteral("连接被拒绝");
        QTest::newRow("disk refuses the body")
            << false << QString(DownloadTexts::kWriteFailed + QStringLiteral("：") + qt_error_string(EFBIG));
    }
    void refusals()
    {
        QFETCH(bool, serverGone);
        QFETCH(QString, percent);
        auto server = std::make_unique<FixtureHttpServer>();
        server->route(QStringLiteral("/doc.pdf"), Response::text(bodyOf(100000), "application/pdf"));
        const QString address = server->urlText(QStringLiteral("/doc.pdf"));
        if (serverGone)
            server.reset();
        const int row = m_context->addRow(address, QStringLiteral("doc"), QStringLiteral("pdf"), folder());
        Engine1 engine(*m_context);
        std::optional<FileSizeLimit> diskFull;
        if (!serverGone)
            diskFull.emplace(20000);
        QVERIFY(runRow(engine, row) == false);
        diskFull.reset();
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(item.state, ItemState::Failed);
        QCOMPARE(item.percent, percent);
        QCOMPARE(filesIn(m_dir->path()), QStringList());
    }

    // A proxy that refuses or never answers is named as the one that failed, not taken for the server.
    void proxyFailuresNameTheProxy_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("percent");
        QTest::newRow("proxy refuses") << false << QStringLiteral("代理服务器连接被拒绝");
        QTest::newRow("proxy silent") << true << QStringLiteral("代理服务器超时");
    }
    void proxyFailuresNameTheProxy()
    {
        QFETCH(bool, silent);
        QFETCH(QString, percent);
        HoldingProxy holding;
        QString hostPort = holding.hostPort();
        if (!silent) {
            QTcpServer gone;
            QVERIFY(gone.listen(QHostAddress::LocalHost));
            hostPort = QStringLiteral("127.0.0.1:%1").arg(gone.serverPort());
        }
        m_context->downloadSettings.proxyEnabled = true;
        m_context->downloadSettings.proxyAddress = hostPort.section(QLatin1Char(':'), 0, 0);
        m_context->downloadSettings.proxyPort = hostPort.section(QLatin1Char(':'), 1);
        const int row = m_context->addRow(QStringLiteral("http://192.0.2.1/doc.pdf"), QStringLiteral("doc"),
                                          QStringLiteral("pdf"), folder());
        Engine1 engine(*m_context);
        QSignalSpy ended(&engine, &Engine1::transferEnded);
        QSignalSpy held(&holding, &HoldingProxy::requestHeld);
        engine.Inet下载当前文件(row);
        if (silent) {
            QVERIFY(caught(held));
            QVERIFY(m_clock->advance(Engine1::kRequestLimit + std::chrono::milliseconds(1)));
        }
        QVERIFY(caught(ended));
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(item.state, ItemState::Failed);
        QCOMPARE(item.percent, percent);
    }

    // Only web addresses are fetched: any other fails its row with the reason, and nothing lands in the folder.
    void onlyWebAddressesAreFetched_data()
    {
        QTest::addColumn<QString>("address"); // %1: a readable local file, %2: a redirect to that file
        QTest::addColumn<QString>("percent");
        QTest::newRow("file") << "file://%1"
                              << "不是http(s)网址";
        QTest::newRow("data") << "data:application/pdf;base64,JVBERi0xLjQK"
                              << "不是http(s)网址";
        QTest::newRow("redirected to a file") << "%2"
                                              << "";
    }
    void onlyWebAddressesAreFetched()
    {
        QFETCH(QString, address);
        QFETCH(QString, percent);
        QTemporaryDir elsewhere;
        const QString local = elsewhere.filePath(QStringLiteral("hostname"));
        QVERIFY(writeFile(local, "%PDF-1.4 the machine's own file"));
        FixtureHttpServer server;
        server.route(QStringLiteral("/to-file"), Response::redirect("file://" + local.toUtf8()));
        const int row =
            m_context->addRow(QString(address)
                                  .replace(QStringLiteral("%1"), local)
                                  .replace(QStringLiteral("%2"), server.urlText(QStringLiteral("/to-file"))),
                              QStringLiteral("doc"), QStringLiteral("pdf"), folder());
        Engine1 engine(*m_context);
        QVERIFY(!runRow(engine, row));
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(item.state, ItemState::Failed);
        QCOMPARE(item.percent, percent);
        QCOMPARE(filesIn(m_dir->path()), QStringList());
        QVERIFY(!m_context->busy);
    }

    void sizeLimit_data()
    {
        QTest::addColumn<int>("framing");
        QTest::addColumn<bool>("skipped");
        QTest::addColumn<double>("limitMb");
        QTest::newRow("announced size over the limit") << int(Framing::ContentLength) << true << 0.01;
        // The bytes received count: a body without a length is cut off as it passes the limit.
        QTest::newRow("no announced size, over the limit") << int(Framing::Chunked) << true << 0.01;
        QTest::newRow("no announced size, within the limit") << int(Framing::Chunked) << false << 0.1;
    }
    void sizeLimit()
    {
        QFETCH(int, framing);
        QFETCH(bool, skipped);
        QFETCH(double, limitMb);
        m_context->downloadSettings.maxFileSizeMb = limitMb;
        Response big = Response::text(bodyOf(30000), "application/pdf");
        big.framing = Framing(framing);
        FixtureHttpServer server;
        server.route(QStringLiteral("/big"), big);
        const int row = m_context->addRow(server.urlText(QStringLiteral("/big")), QStringLiteral("big"),
                                          QStringLiteral("pdf"), folder());
        Engine1 engine(*m_context);
        QVERIFY(runRow(engine, row));
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(item.state, ItemState::Done);
        if (skipped) {
            QCOMPARE(item.percent, QStringLiteral("大文件，跳过"));
            if (Framing(framing) == Framing::ContentLength)
                QCOMPARE(item.size, QStringLiteral("30009"));
            QCOMPARE(filesIn(m_dir->path()), QStringList());
        } else {
            QCOMPARE(readFile(m_dir->filePath(QStringLiteral("big.pdf"))), big.body);
        }
        QCOMPARE(m_context->sounds, QList<int>{});
    }

    // A negative length: the body is fetched once more as a whole, under the same floor and size limit as any.
    void bodyOfNegativeLength_data()
    {
        QTest::addColumn<int>("bytesPerInterval");
        QTest::addColumn<double>("limitMb");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("file");
        QTest::newRow("whole") << 0 << 10.0 << int(ItemState::Done) << QStringLiteral("100%") << "doc.pdf";
        QTest::newRow("trickle") << 1 << 10.0 << int(ItemState::Failed) << QStringLiteral("超时") << "";
        QTest::newRow("over the limit") << 0 << 0.01 << int(ItemState::Done) << QStringLiteral("大文件，跳过") << "";
    }
    void bodyOfNegativeLength()
    {
        QFETCH(int, bytesPerInterval);
        QFETCH(double, limitMb);
        QFETCH(int, state);
        QFETCH(QString, percent);
        QFETCH(QString, file);
        m_context->downloadSettings.maxFileSizeMb = limitMb;
        Response response = Response::text(bodyOf(30000), "application/pdf");
        response.withHeader("Content-Length", "-1").framing = Framing::None;
        response.bytesPerInterval = bytesPerInterval;
        response.intervalMs = 50;
        FixtureHttpServer server;
        server.route(QStringLiteral("/doc"), response);
        const int row = m_context->addRow(server.urlText(QStringLiteral("/doc")), QStringLiteral("doc"),
                                          QStringLiteral("pdf"), folder());
        Engine1 engine(*m_context);
        QSignalSpy ended(&engine, &Engine1::transferEnded);
        engine.Inet下载当前文件(row);
        if (bytesPerInterval > 0) {
            // Asked twice: the answer whose length says nothing, then the whole body.
            QTRY_COMPARE(server.requests().size(), 2);
            QTRY_VERIFY(m_context->model.item(row).downloaded.toLongLong() >= 1);
            QVERIFY(m_clock->advance(ProgressFloor::kFloorWindow + std::chrono::milliseconds(1)));
        }
        QVERIFY(caught(ended, 20000));
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(int(item.state), state);
        QCOMPARE(item.percent, percent);
        QCOMPARE(filesIn(m_dir->path()), file.isEmpty() ? QStringList() : QStringList{file});
        if (!file.isEmpty()) {
            QCOMPARE(readFile(m_dir->filePath(file)), response.body);
            QCOMPARE(item.size, QString::number(response.body.size()));
        }
        server.closeAllConnections();
    }

    void connectionSettings_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("proxy");
        QTest::addColumn<int>("accessType");
        QTest::addColumn<QString>("proxyText");
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("port");
        QTest::newRow("port and path") << "http://127.0.0.1:8080/a/b.pdf" << false << 0 << "" << 4 << 8080;
        QTest::newRow("port without a path") << "http://127.0.0.1:8080" << false << 0 << "" << 4 << 80;
        QTest::newRow("no port") << "http://www.example.com/a.pdf" << false << 0 << "" << 4 << 80;
        QTest::newRow("short host") << "http://a:81/x" << false << 0 << "" << 4 << 81;
        QTest::newRow("port not numeric") << "http://example.com:ab/x" << false << 0 << "" << 4 << 80;
        QTest::newRow("https with its own port") << "https://127.0.0.1:8443/a" << false << 0 << "" << 5 << 443;
        QTest::newRow("upper-case scheme") << "HTTPS://example.com/a" << false << 0 << "" << 5 << 443;
        QTest::newRow("proxy") << "http://example.com:8080/a" << true << 2 << "10.1.2.3:3128" << 4 << 3128;
        QTest::newRow("proxy, https") << "https://example.com/a" << true << 2 << "10.1.2.3:3128" << 5 << 443;
    }
    void connectionSettings()
    {
        QFETCH(QString, address);
        QFETCH(bool, proxy);
        QFETCH(int, accessType);
        QFETCH(QString, proxyText);
        QFETCH(int, protocol);
        QFETCH(int, port);
        DownloadSettings settings;
        settings.proxyEnabled = proxy;
        settings.proxyAddress = QStringLiteral("10.1.2.3");
        settings.proxyPort = QStringLiteral("3128");
        const Engine1Connection c = Engine1ConnectionFor(address, settings);
        QCOMPARE(c.accessType, accessType);
        QCOMPARE(c.proxy, proxyText);
        QCOMPARE(c.protocol, protocol);
        QCOMPARE(c.remotePort, port);
    }

    // The same-name rule names the file before the size limit skips it, as in the other engine: the skipped row never
    // holds the name of another row's finished file, and that file is never replaced by a body that is not kept.
    void bigFileNeverTakesAnotherRowsName_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("name");
        QTest::newRow("rename") << "重命名"
                                << "待定[001]";
        QTest::newRow("overwrite") << "覆盖"
                                   << "待定";
    }
    void bigFileNeverTakesAnotherRowsName()
    {
        QFETCH(QString, option);
        QFETCH(QString, name);
        m_context->sameName = option;
        m_context->downloadSettings.maxFileSizeMb = 0.01;
        QVERIFY(writeFile(folder() + QStringLiteral("待定.pdf"), "%PDF-the other row's"));
        FixtureHttpServer server;
        server.route(QStringLiteral("/big"), Response::text(bodyOf(100000), "application/pdf"));
        const int row = m_context->addRow(server.urlText(QStringLiteral("/big")), QStringLiteral("待定"),
                                          QStringLiteral("pdf"), folder());
        Engine1 engine(*m_context);
        QVERIFY(runRow(engine, row));
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(item.percent, QStringLiteral("大文件，跳过"));
        QCOMPARE(item.name, name);
        QCOMPARE(readFile(folder() + QStringLiteral("待定.pdf")), QByteArray("%PDF-the other row's"));
        QCOMPARE(filesIn(m_dir->path()), QStringList{QStringLiteral("待定.pdf")});
    }

    // The port written in the address is the one connected to only when a path follows it.
    void portRuleOnTheWire()
    {
        FixtureHttpServer server;
        server.route(QStringLiteral("/"), Response::text("%PDF-root"));
        const QString withPath = server.urlText(QStringLiteral("/"));
        QString withoutPath = withPath;
        withoutPath.chop(1);
        const int a = m_context->addRow(withPath, QStringLiteral("a"), QStringLiteral("pdf"), folder());
        const int b = m_context->addRow(withoutPath, QStringLiteral("b"), QStringLiteral("pdf"), folder());
        Engine1 engine(*m_context);
        QVERIFY(runRow(engine, a));
        QCOMPARE(engine.control().effectiveUrl().port(), int(server.port()));
        QCOMPARE(server.requests().size(), 1);
        runRow(engine, b);
        QCOMPARE(engine.control().effectiveUrl().port(), 80);
        QCOMPARE(server.requests().size(), 1);
        QCOMPARE(m_context->model.item(a).state, ItemState::Done);
    }

    void referrerHeader()
    {
        FixtureHttpServer server;
        server.route(QStringLiteral("/a/doc.pdf"), Response::text("%PDF-a"));
        server.route(QStringLiteral("/b/doc.pdf"), Response::text("%PDF-b"));
        const QString a = server.urlText(QStringLiteral("/a/doc.pdf"));
        const int rowA = m_context->addRow(a, QStringLiteral("a"), QStringLiteral("pdf"), folder());
        const int rowB = m_context->addRow(server.urlText(QStringLiteral("/b/doc.pdf")), QStringLiteral("b"),
                                           QStringLiteral("pdf"), folder(), QStringLiteral("http://from.example/p"));
        Engine1 engine(*m_context);
        QVERIFY(runRow(engine, rowA));
        QVERIFY(runRow(engine, rowB));
        QString host = server.urlText(QStringLiteral("/"));
        host.chop(1);
        QCOMPARE(server.requests().at(0).header("Referer"), host.toUtf8());
        QCOMPARE(server.requests().at(1).header("Referer"), QByteArray("http://from.example/p"));
    }

    void sameNameOptions_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("rename") << "重命名"
                                << "report[002]" << QStringList{"report.pdf", "report[001].pdf", "report[002].pdf"};
        QTest::newRow("overwrite") << "覆盖"
                                   << "report" << QStringList{"report.pdf", "report[001].pdf"};
    }
    void sameNameOptions()
    {
        QFETCH(QString, option);
        QFETCH(QString, name);
        QFETCH(QStringList, files);
        QVERIFY(writeFile(m_dir->filePath(QStringLiteral("report.pdf")), "%PDF-old"));
        QVERIFY(writeFile(m_dir->filePath(QStringLiteral("report[001].pdf")), "%PDF-old 1"));
        m_context->sameName = option;
        FixtureHttpServer server;
        server.route(QStringLiteral("/r"), Response::text("%PDF-new", "application/pdf"));
        const int row = m_context->addRow(server.urlText(QStringLiteral("/r")), QStringLiteral("report"),
                                          QStringLiteral("pdf"), folder());
        Engine1 engine(*m_context);
        QVERIFY(runRow(engine, row));
        QCOMPARE(m_context->model.item(row).name, name);
        QCOMPARE(filesIn(m_dir->path()), files);
        QCOMPARE(readFile(m_dir->filePath(name + QStringLiteral(".pdf"))), QByteArray("%PDF-new"));
        QCOMPARE(readFile(m_dir->filePath(QStringLiteral("report[001].pdf"))), QByteArray("%PDF-old 1"));
    }

    // The stop command clears busyFlag and cancels the request: the partial file goes.
    void stopDuringTheBody()
    {
        const Response slow = slowPdf(400000);
        FixtureHttpServer server;
        server.route(QStringLiteral("/slow"), slow);
        const int row = m_context->addRow(server.urlText(QStringLiteral("/slow")), QStringLiteral("slow"),
                                          QStringLiteral("pdf"), folder());
        Engine1 engine(*m_context);
        QSignalSpy ended(&engine, &Engine1::transferEnded);
        engine.Inet下载当前文件(row);
        QVERIFY(m_context->busy);
        QTRY_VERIFY_WITH_TIMEOUT(m_context->model.item(row).downloaded.toLongLong() > 8192, 10000);
        // The body grows under a hidden name; the document's name stays free until it is whole.
        QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("slow.pdf"))));
        QCOMPARE(filesIn(m_dir->path()).size(), 1);
        QVERIFY(engine.stillExecuting());
        engine.cancelRequest();
        m_context->busy = false;
        engine.cancelRequest();
        QVERIFY(ended.wait(5000));
        QCOMPARE(ended.first().at(1).toBool(), false);
        QCOMPARE(m_context->model.item(row).state, ItemState::Failed);
        QCOMPARE(m_context->model.item(row).percent, QStringLiteral("下载取消"));
        QCOMPARE(filesIn(m_dir->path()), QStringList());
        QVERIFY(!engine.stillExecuting());
    }

    // The window goes away in the middle of a transfer: the suspended transfer ends quietly and takes its
    // partial file with it.
    void destroyedDuringTheBody()
    {
        const Response slow = slowPdf(400000);
        FixtureHttpServer server;
        server.route(QStringLiteral("/slow"), slow);
        const int row = m_context->addRow(server.urlText(QStringLiteral("/slow")), QStringLiteral("slow"),
                                          QStringLiteral("pdf"), folder());
        auto engine = std::make_unique<Engine1>(*m_context);
        engine->Inet下载当前文件(row);
        QTRY_VERIFY_WITH_TIMEOUT(m_context->model.item(row).downloaded.toLongLong() > 8192, 10000);
        engine.reset();
        QTRY_COMPARE_WITH_TIMEOUT(filesIn(m_dir->path()), QStringList(), 5000);
        QCOMPARE(m_context->transferEnds, 0);
    }

    // A second start while one runs puts the row back to waiting and sends nothing.
    void busyEngineRequeues()
    {
        const Response slow = slowPdf(100000);
        FixtureHttpServer server;
        server.route(QStringLiteral("/one"), slow);
        server.route(QStringLiteral("/two"), Response::text("%PDF-two"));
        const int one = m_context->addRow(server.urlText(QStringLiteral("/one")), QStringLiteral("one"),
                                          QStringLiteral("pdf"), folder());
        const int two = m_context->addRow(server.urlText(QStringLiteral("/two")), QStringLiteral("two"),
                                          QStringLiteral("pdf"), folder());
        Engine1 engine(*m_context);
        QSignalSpy ended(&engine, &Engine1::transferEnded);
        engine.Inet下载当前文件(one);
        m_context->model.setState(two, ItemState::Downloading);
        engine.Inet下载当前文件(two);
        QCOMPARE(m_context->model.item(two).state, ItemState::Waiting);
        QCOMPARE(m_context->model.item(two).size, QStringLiteral("等待重新下载"));
        QVERIFY(ended.wait(20000));
        QCOMPARE(ended.size(), 1);
        QCOMPARE(server.requestsFor(QStringLiteral("/two")).size(), 0);
        QCOMPARE(m_context->model.item(one).state, ItemState::Done);
    }

    // With the proxy on, the request really goes through a proxy server on loopback.
    void throughTinyproxy()
    {
        if (!TinyProxy::isAvailable())
            QSKIP("tinyproxy is not installed (apt-get install tinyproxy)");
        TinyProxy proxy;
        QVERIFY2(proxy.start(), qPrintable(proxy.errorString()));
        FixtureHttpServer server;
        server.route(QStringLiteral("/via/doc.pdf"), Response::text("%PDF-through the proxy", "application/pdf"));
        m_context->downloadSettings.proxyEnabled = true;
        m_context->downloadSettings.proxyAddress = QStringLiteral("127.0.0.1");
        m_context->downloadSettings.proxyPort = QString::number(proxy.port());
        const QString address = server.urlText(QStringLiteral("/via/doc.pdf"));
        const int row = m_context->addRow(address, QStringLiteral("doc"), QStringLiteral("xxx"), folder());
        Engine1 engine(*m_context);
        QVERIFY(runRow(engine, row));
        QCOMPARE(engine.control().proxy(), proxy.hostPort());
        QCOMPARE(engine.control().accessType(), 2);
        QCOMPARE(m_context->model.item(row).state, ItemState::Done);
        QCOMPARE(readFile(m_dir->filePath(QStringLiteral("doc.pdf"))), QByteArray("%PDF-through the proxy"));
        QCOMPARE(server.requests().size(), 1);
        QVERIFY(server.requests().first().header("Via").contains("tinyproxy"));
        QTRY_VERIFY(proxy.log().contains(QStringLiteral("/via/doc.pdf")));
    }
};

QTEST_GUILESS_MAIN(TestEngine1)
#include "test_engine1.moc"
