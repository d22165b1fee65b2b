// Engine 2's slot handlers against the fixture server, with a recording download context.
#include "EngineTestFixture.h"

#include "core/download/engines/Downloader.h"
#include "core/download/engines/Engine2.h"
#include "core/download/engines/ProgressFloor.h"
#include "support/FixtureHttpServer.h"
#include "support/FolderFiles.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Response = FixtureHttpServer::Response;
using Framing = FixtureHttpServer::Framing;

namespace {
QByteArray pdfOf(int size)
{
    QByteArray b(size, 'p');
    b.replace(0, 8, "%PDF-1.5");
    return b;
}

Response answer(int status, const QByteArray &body, const QByteArray &type)
{
    Response r;
    r.status = status;
    r.body = body;
    r.headers.append(qMakePair(QByteArray("Content-Type"), type));
    return r;
}

const QByteArray kErrorPage = "<HTML ><HEAD><TITLE>404 Not Found</TITLE></HEAD><BODY><H1>Not Found</H1></BODY></HTML>";
} // namespace

class TestEngine2 : public QObject, protected EngineTestFixture
{
    Q_OBJECT

    QString folder() const { return m_dir->path() + QLatin1Char('/'); }

    // Starts the row on the slot the way the scheduler does.
    void start(Engine2 &engine, int slot, int row, const QString &target)
    {
        m_context->setSlotRow(slot, row);
        engine.多线程下载(slot, row, m_context->model.item(row).address, target);
    }

private Q_SLOTS:
    void init() { setUpFixture(); }
    void cleanup() { tearDownFixture(); }

    void outcomes_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("file"); // empty: no file at all
        QTest::addColumn<QString>("type");
        QTest::addColumn<QList<int>>("sounds");

        const QByteArray pdf = pdfOf(200000);
        Response paced = answer(200, pdf, "application/pdf");
        paced.bytesPerInterval = 50000;
        QTest::newRow("pdf") << paced << int(ItemState::Done) << "100%"
                             << "doc.pdf"
                             << "pdf" << QList<int>{};
        // No total: the progress says nothing, the fallback reads the body again.
        Response chunked = answer(200, pdf, "application/pdf");
        chunked.framing = Framing::Chunked;
        QTest::newRow("no length") << chunked << int(ItemState::Done) << "100%"
                                   << "doc.pdf"
                                   << "pdf" << QList<int>{};
        // An error answer fails its row with the status and is never saved, however complete its page.
        QTest::newRow("404 page for a pdf row")
            << answer(404, kErrorPage, "text/html") << int(ItemState::Failed) << "HTTP 404"
            << ""
            << "pdf" << QList<int>{};
        QTest::newRow("500 page for a pdf row")
            << answer(500, kErrorPage, "text/html") << int(ItemState::Failed) << "HTTP 500"
            << ""
            << "pdf" << QList<int>{};
        QTest::newRow("403 without a page") << answer(403, {}, "text/html") << int(ItemState::Failed) << "HTTP 403"
                                            << ""
                                            << "pdf" << QList<int>{};
        Response shortBody = answer(200, pdf, "application/pdf");
        shortBody.closeAfterBodyBytes = 50000;
        QTest::newRow("shorter than announced") << shortBody << int(ItemState::Failed) << "25%"
                                                << ""
                                                << "pdf" << QList<int>{103};
        Response stalled = answer(200, pdf, "application/pdf");
        stalled.stallAfterBodyBytes = 50000;
        // The error handler plays nothing.
        QTest::newRow("stalled") << stalled << int(ItemState::Failed) << "超时"
                                 << ""
                                 << "pdf" << QList<int>{};
        // A byte now and then is below the progress floor, with or without an announced length.
        Response trickle = answer(200, pdf, "application/pdf");
        trickle.bytesPerInterval = 1;
        trickle.intervalMs = 50;
        QTest::newRow("trickle") << trickle << int(ItemState::Failed) << "超时"
                                 << ""
                                 << "pdf" << QList<int>{};
        trickle.framing = Framing::Chunked;
        QTest::newRow("trickle without a length") << trickle << int(ItemState::Failed) << "超时"
                                                  << ""
                                                  << "pdf" << QList<int>{};
        QTest::newRow("empty answer") << answer(200, {}, "application/pdf") << int(ItemState::Failed) << "无法下载"
                                      << ""
                                      << "pdf" << QList<int>{};
    }
    void outcomes()
    {
        QFETCH(Response, response);
        QFETCH(int, state);
        QFETCH(QString, percent);
        QFETCH(QString, file);
        QFETCH(QString, type);
        QFETCH(QList<int>, sounds);

        FixtureHttpServer server;
        server.route(QStringLiteral("/doc"), response);
        const QString address = server.urlText(QStringLiteral("/doc"));
        const int row = m_context->addRow(address, QStringLiteral("doc"), QStringLiteral("pdf"), folder());
        Engine2 engine(*m_context);
        start(engine, 2, row, folder() + QStringLiteral("doc.pdf"));
        QVERIFY(m_context->busy);
        QVERIFY(engine.slotLoaded(2));
        QCOMPARE(m_context->model.item(row).state, ItemState::Downloading);

        if (percent == QStringLiteral("超时")) {
            // The floor ends the transfer once a minute has passed with less than its worth of bytes.
            QVERIFY(m_clock->advance(ProgressFloor::kFloorWindow - Downloader::kStallCheckInterval));
            QVERIFY(engine.slotLoaded(2));
            // (The body may arrive as late as the last of those checks, and the minute counts from there.)
            QVERIFY(m_clock->advanceUntil([&] { return !engine.slotLoaded(2); }, Downloader::kStallCheckInterval, 120));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!engine.slotLoaded(2) && !engine.writesPending(), 20000);
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(int(item.state), state);
        QCOMPARE(item.percent, percent);
        QCOMPARE(item.type, type);
        QCOMPARE(filesIn(m_dir->path()), file.isEmpty() ? QStringList() : QStringList{file});
        QCOMPARE(m_context->sounds, sounds);
        QCOMPARE(m_context->transferEnds, 1);
        if (!file.isEmpty()) {
            QByteArray expected = response.body;
            if (type == QLatin1String("htm"))
                expected.replace("</HEAD>", "<Base href='" + address.toUtf8() + "'></HEAD>");
            QCOMPARE(readFile(m_dir->filePath(file)), expected);
            QCOMPARE(item.size, QString::number(response.body.size()));
            QCOMPARE(item.downloaded, item.size);
            QCOMPARE(m_context->status[2].last(), QStringLiteral("完成下载:doc"));
        }
        server.closeAllConnections();
    }

    void sizeLimit_data()
    {
        QTest::addColumn<int>("framing");
        QTest::addColumn<bool>("skipped");
        QTest::addColumn<double>("limitMb");
        QTest::newRow("announced size over the limit") << int(Framing::ContentLength) << true << 0.1;
        // The bytes received count: a body without a length is cut off as it passes the limit.
        QTest::newRow("no announced size, over the limit") << int(Framing::Chunked) << true << 0.1;
        QTest::newRow("no announced size, within the limit") << int(Framing::Chunked) << false << 1.0;
    }
    void sizeLimit()
    {
        QFETCH(int, framing);
        QFETCH(bool, skipped);
        QFETCH(double, limitMb);
        m_context->downloadSettings.maxFileSizeMb = limitMb;
        Response big = answer(200, pdfOf(300000), "application/pdf");
        big.framing = Framing(framing);
        big.bytesPerInterval = 20000;
        FixtureHttpServer server;
        server.route(QStringLiteral("/big"), big);
        const int row = m_context->addRow(server.urlText(QStringLiteral("/big")), QStringLiteral("big"),
                                          QStringLiteral("pdf"), folder());
        Engine2 engine(*m_context);
        start(engine, 1, row, folder() + QStringLiteral("big.pdf"));
        QTRY_VERIFY_WITH_TIMEOUT(!engine.slotLoaded(1) && !engine.writesPending(), 20000);
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(item.state, ItemState::Done);
        QCOMPARE(m_context->transferEnds, 1);
        if (skipped) {
            QCOMPARE(item.percent, QStringLiteral("大文件，跳过"));
            if (Framing(framing) == Framing::ContentLength)
                QCOMPARE(item.size, QStringLiteral("300000"));
            else
                QVERIFY(item.downloaded.toLongLong() > 104857);
            // The skipped file leaves nothing that could pass for it, and the rest of the body is not asked for.
            QCOMPARE(filesIn(m_dir->path()), QStringList());
            QCOMPARE(server.requests().size(), 1);
        } else {
            QCOMPARE(item.percent, QStringLiteral("100%"));
            QCOMPARE(readFile(folder() + QStringLiteral("big.pdf")), big.body);
        }
        QCOMPARE(m_context->sounds, QList<int>{});
    }

    // Only web addresses are fetched: a page linking a local file or carrying its body in the address gets the
    // row failed with the reason, and nothing lands in the save folder.
    void onlyWebAddressesAreFetched_data()
    {
        QTest::addColumn<QString>("address"); // %1: a readable local file, %2: a redirect to that file
        QTest::addColumn<QString>("percent");
        QTest::newRow("file") << "file://%1"
                              << "不是http(s)网址";
        QTest::newRow("data") << "data:application/pdf;base64,JVBERi0xLjQK"
                              << "不是http(s)网址";
        QTest::newRow("ftp") << "ftp://127.0.0.1/doc.pdf"
                             << "不是http(s)网址";
        QTest::newRow("redirected to a file") << "%2"
                                              << "无法下载";
    }
    void onlyWebAddressesAreFetched()
    {
        QFETCH(QString, address);
        QFETCH(QString, percent);
        QTemporaryDir elsewhere;
        const QString local = elsewhere.filePath(QStringLiteral("hostname"));
        QFile secret(local);
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("%PDF-1.4 the machine's own file");
        secret.close();
        FixtureHttpServer server;
        server.route(QStringLiteral("/to-file"), Response::redirect("file://" + local.toUtf8()));

        const int row =
            m_context->addRow(QString(address)
                                  .replace(QStringLiteral("%1"), local)
                                  .replace(QStringLiteral("%2"), server.urlText(QStringLiteral("/to-file"))),
                              QStringLiteral("doc"), QStringLiteral("pdf"), folder());
        Engine2 engine(*m_context);
        start(engine, 1, row, folder() + QStringLiteral("doc.pdf"));
        QTRY_VERIFY_WITH_TIMEOUT(!engine.slotLoaded(1) && !engine.writesPending(), 20000);
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(item.state, ItemState::Failed);
        QCOMPARE(item.percent, percent);
        QCOMPARE(filesIn(m_dir->path()), QStringList());
        QCOMPARE(m_context->transferEnds, 1);
    }

    // Unloading a slot (the stop command) ends its transfer without any event and without leftovers.
    void unloadDuringTheTransfer()
    {
        Response slow = answer(200, pdfOf(400000), "application/pdf");
        slow.bytesPerInterval = 4000;
        slow.intervalMs = 20;
        FixtureHttpServer server;
        server.route(QStringLiteral("/slow"), slow);
        const int row = m_context->addRow(server.urlText(QStringLiteral("/slow")), QStringLiteral("slow"),
                                          QStringLiteral("pdf"), folder());
        Engine2 engine(*m_context);
        start(engine, 3, row, folder() + QStringLiteral("slow.pdf"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_context->model.item(row).downloaded.isEmpty(), 10000);
        QVERIFY(!QFile::exists(folder() + QStringLiteral("slow.pdf")));
        QCOMPARE(filesIn(m_dir->path()).size(), 1);
        const QString percent = m_context->model.item(row).percent;
        engine.unloadSlot(3);
        QVERIFY(!engine.slotLoaded(3));
        QCOMPARE(filesIn(m_dir->path()), QStringList());
        QTest::qWait(200);
        QCOMPARE(m_context->model.item(row).state, ItemState::Downloading);
        QCOMPARE(m_context->model.item(row).percent, percent);
        QCOMPARE(m_context->transferEnds, 0);
    }

    // A whole body frees its slot before it is synced: the next transfer need not wait for the disk, and the row
    // says it is being written until its file holds its name. A stop meanwhile does not take the file.
    void slotFreesWhileTheBodyIsWritten()
    {
        FixtureHttpServer server;
        server.route(QStringLiteral("/doc"), answer(200, pdfOf(300000), "application/pdf"));
        const int row = m_context->addRow(server.urlText(QStringLiteral("/doc")), QStringLiteral("doc"),
                                          QStringLiteral("pdf"), folder());
        Engine2 engine(*m_context);
        start(engine, 1, row, folder() + QStringLiteral("doc.pdf"));
        Downloader *d = engine.downloader(1);
        QVERIFY(d);
        bool seen = false;
        connect(d, &Downloader::DownloadWriting, this, [&] {
            seen = true;
            QVERIFY(!engine.slotLoaded(1));
            QVERIFY(engine.writesPending());
            QVERIFY(engine.isWriting(row));
            QCOMPARE(m_context->transferEnds, 1);
            const DownloadItem &item = m_context->model.item(row);
            QCOMPARE(item.state, ItemState::Downloading);
            QCOMPARE(item.percent, QStringLiteral("正在写入"));
            QCOMPARE(item.downloaded, QString::number(300000));
            QVERIFY(!QFile::exists(folder() + QStringLiteral("doc.pdf")));
            // The stop command unloads the slots; this body is no longer one of them.
            engine.unloadSlot(1);
        });
        QTRY_VERIFY_WITH_TIMEOUT(seen && !engine.writesPending(), 20000);
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(item.state, ItemState::Done);
        QCOMPARE(item.percent, QStringLiteral("100%"));
        QCOMPARE(readFile(folder() + QStringLiteral("doc.pdf")), pdfOf(300000));
        QCOMPARE(m_context->transferEnds, 1);
    }

    // Reports for slot 0, for a free slot, or for a slot whose row is gone change nothing.
    void strayReportsChangeNothing()
    {
        const int row = m_context->addRow(QStringLiteral("http://127.0.0.1:9/x"), QStringLiteral("x"),
                                          QStringLiteral("pdf"), folder());
        m_context->model.setState(row, ItemState::Downloading);
        m_context->setSlotRow(0, row);
        m_context->setSlotRow(4, row);
        Engine2 engine(*m_context);
        engine.onDownloadProgress(0, 5, 10);
        engine.onDownloadComplete(0, 10, 10);
        engine.onDownloadError(0, QStringLiteral("超时"));
        engine.onDownloadProgress(4, 5, 10);
        engine.onDownloadComplete(4, 10, 10);
        engine.onDownloadError(4, QStringLiteral("超时"));
        QCOMPARE(m_context->model.item(row).state, ItemState::Downloading);
        QCOMPARE(m_context->model.item(row).percent, QString());
        QCOMPARE(m_context->transferEnds, 0);
    }
};

QTEST_GUILESS_MAIN(TestEngine2)
#include "test_engine2.moc"
