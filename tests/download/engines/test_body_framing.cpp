// How a body is framed on the wire, in both engines: a body without a length is taken from its one answer, and a
// chunked body whose framing is broken is a failed row, never a finished file.
#include "EngineTestFixture.h"

#include "core/download/engines/Engine1.h"
#include "core/download/engines/Engine2.h"
#include "support/FixtureHttpServer.h"
#include "support/FolderFiles.h"

#include <QSignalSpy>
#include <QTest>

using Response = FixtureHttpServer::Response;
using Framing = FixtureHttpServer::Framing;

namespace {
QByteArray pdfOf(int size)
{
    QByteArray body(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        body[i] = static_cast<char>('a' + (i * 7) % 26);
    return body.replace(0, 9, "%PDF-1.4\n");
}

// A chunked body written out by hand, as a server would send it; the connection closes after it.
Response rawChunked(const QByteArray &wire)
{
    Response r = Response::text(wire, "application/pdf");
    r.withHeader("Transfer-Encoding", "chunked");
    r.framing = Framing::None;
    return r;
}

QByteArray chunk(const QByteArray &data)
{
    return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
}

const QByteArray kLast = "0\r\n\r\n";
} // namespace

class TestBodyFraming : public QObject, protected EngineTestFixture
{
    Q_OBJECT

    QString folder() const { return m_dir->path() + QLatin1Char('/'); }

    // One transfer of the row by the engine, to its end.
    bool transfer(int engineNumber, int row)
    {
        if (engineNumber == 1) {
            Engine1 engine(*m_context);
            QSignalSpy ended(&engine, &Engine1::transferEnded);
            engine.Inet下载当前文件(row);
            return ended.wait(20000);
        }
        Engine2 engine(*m_context);
        m_context->setSlotRow(1, row);
        engine.多线程下载(1, row, m_context->model.item(row).address, folder() + QStringLiteral("doc.pdf"));
        return QTest::qWaitFor([&] { return !engine.slotLoaded(1) && !engine.writesPending(); }, 20000);
    }

    static void addEngineRows(const char *name, const Response &response)
    {
        for (const int engine : {1, 2})
            QTest::addRow("engine %d, %s", engine, name) << engine << response;
    }
    static void addEngineRows(const char *name, const Response &response, bool askedOnce)
    {
        for (const int engine : {1, 2})
            QTest::addRow("engine %d, %s", engine, name) << engine << response << askedOnce;
    }

private Q_SLOTS:
    void init() { setUpFixture(); }
    void cleanup() { tearDownFixture(); }

    // A link that works once: the body it gave is the file, and it is asked for only once.
    void bodyWithoutLengthIsTakenOnce_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<Response>("response");
        // Qt itself may send a request again whose connection the server closes as it answers (the file is still
        // the first answer's); only the engines' own requests are counted then.
        QTest::addColumn<bool>("askedOnce");
        const QByteArray body = pdfOf(300000);
        Response chunked = Response::text(body, "application/pdf");
        chunked.framing = Framing::Chunked;
        chunked.bytesPerInterval = 64 * 1024;
        chunked.intervalMs = 1;
        addEngineRows("chunked", chunked, true);
        Response closed = Response::text(body, "application/pdf");
        closed.framing = Framing::None;
        addEngineRows("ended by the close", closed, false);
        QByteArray wire;
        for (qsizetype at = 0; at < body.size(); at += 70000)
            wire += chunk(body.mid(at, 70000));
        addEngineRows("chunked with a trailer", rawChunked(wire + "0\r\nX-Checksum: 1\r\n\r\n"), false);
    }
    void bodyWithoutLengthIsTakenOnce()
    {
        QFETCH(int, engine);
        QFETCH(Response, response);
        QFETCH(bool, askedOnce);
        FixtureHttpServer server;
        int asked = 0;
        server.setHandler([&](const FixtureHttpServer::Request &) -> std::optional<Response> {
            return ++asked == 1 ? response : Response::withStatus(410);
        });
        const int row = m_context->addRow(server.urlText(QStringLiteral("/doc")), QStringLiteral("doc"),
                                          QStringLiteral("pdf"), folder());
        QVERIFY(transfer(engine, row));
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(item.percent, QStringLiteral("100%"));
        QCOMPARE(item.state, ItemState::Done);
        if (askedOnce)
            QCOMPARE(asked, 1);
        QCOMPARE(readFile(folder() + QStringLiteral("doc.pdf")), pdfOf(300000));
        QCOMPARE(item.downloaded, QString::number(300000));
    }

    // Broken framing: whatever arrived is not the document, and nothing takes the document's name.
    //
    // Qt's HTTP stack (6.4) reads a size line that is not hex, or does not fit 63 bits, as size 0, the last chunk,
    // and does not check the line end after a chunk's data: each of these bodies just ends early with no error, and
    // only an internal close of the connection (not shown to its users) marks it. Without a length there is nothing
    // to hold the bytes against, so these rows stay expected failures: they say so at once should Qt learn to tell.
    void brokenChunkingFailsTheRow_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<Response>("response");
        const QByteArray part = pdfOf(5000);
        addEngineRows("size line not hex", rawChunked(chunk(part) + "zz\r\n" + part + "\r\n" + kLast));
        addEngineRows("size of 2^64 - 1", rawChunked(chunk(part) + "ffffffffffffffff\r\n" + part + "\r\n" + kLast));
        addEngineRows("chunk longer than its size line", rawChunked(chunk(part) + "10\r\n" + part + "\r\n" + kLast));
    }
    void brokenChunkingFailsTheRow()
    {
        QFETCH(int, engine);
        QFETCH(Response, response);
        FixtureHttpServer server;
        server.route(QStringLiteral("/doc"), response);
        const int row = m_context->addRow(server.urlText(QStringLiteral("/doc")), QStringLiteral("doc"),
                                          QStringLiteral("pdf"), folder());
        QVERIFY(transfer(engine, row));
        const DownloadItem &item = m_context->model.item(row);
        QEXPECT_FAIL("", "Qt reports a broken chunk size line as the end of the body", Abort);
        QCOMPARE(item.state, ItemState::Failed);
        QCOMPARE(filesIn(m_dir->path()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestBodyFraming)
#include "test_body_framing.moc"
