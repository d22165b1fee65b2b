// The concurrent-transfer component on its own, against the fixture server on loopback.
#include "core/download/BodyFile.h"
#include "core/download/DownloadTexts.h"
#include "core/download/engines/Downloader.h"
#include "support/FileSizeLimit.h"
#include "support/FixtureHttpServer.h"
#include "support/FolderFiles.h"
#include "support/ManualClock.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <optional>

namespace {
QByteArray bodyOf(int size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>('a' + (i * 7) % 26);
    return b;
}

} // namespace

class TestDownloader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_clock = std::make_unique<ManualClock>();
        QVERIFY(m_dir.isValid());
        for (const QString &f : filesIn(m_dir.path()))
            QFile::remove(m_dir.filePath(f));
    }
    void cleanup() { m_clock.reset(); }

    void completesWithBody_data()
    {
        QTest::addColumn<int>("framing");
        QTest::addColumn<int>("size");
        // One request per file: a body without a known total is the file as well. (Qt itself may send a request
        // again whose connection the server closes as it answers, hence "at least" there.)
        QTest::addColumn<int>("requests");
        QTest::newRow("content-length") << int(FixtureHttpServer::Framing::ContentLength) << 300000 << 1;
        QTest::newRow("no length, connection close") << int(FixtureHttpServer::Framing::None) << 5000 << 0;
        QTest::newRow("chunked") << int(FixtureHttpServer::Framing::Chunked) << 70000 << 1;
    }
    void completesWithBody()
    {
        QFETCH(int, framing);
        QFETCH(int, size);
        QFETCH(int, requests);
        FixtureHttpServer server;
        const QByteArray body = bodyOf(size);
        FixtureHttpServer::Response r;
        r.body = body;
        r.framing = FixtureHttpServer::Framing(framing);
        r.bytesPerInterval = 32768;
        r.intervalMs = 5;
        server.route(QStringLiteral("/f.pdf"), r);

        QNetworkAccessManager nam;
        Downloader d(&nam);
        QSignalSpy complete(&d, &Downloader::DownloadComplete);
        QSignalSpy error(&d, &Downloader::DownloadError);
        const QString target = m_dir.filePath(QStringLiteral("f.pdf"));
        d.BeginDownload(server.urlText(QStringLiteral("/f.pdf")), target);
        // Nothing stands under the target's name until the body is whole; the name is held in memory instead.
        QVERIFY(!QFile::exists(target));
        QVERIFY(BodyFile::IsReserved(target));

        QVERIFY(complete.wait(10000));
        QCOMPARE(error.count(), 0);
        QCOMPARE(complete.first().at(0).toLongLong(), qint64(size));
        QCOMPARE(complete.first().at(1).toLongLong(), qint64(size));
        QCOMPARE(complete.first().at(2).toString(), target);
        QCOMPARE(readFile(target), body);
        QCOMPARE(filesIn(m_dir.path()), QStringList{QStringLiteral("f.pdf")});
        if (requests > 0)
            QCOMPARE(server.requestsFor(QStringLiteral("/f.pdf")).count(), requests);
        QVERIFY(!d.isRunning());
    }

    // A target whose name is as long as the file system allows still gets its temporary file beside it.
    void longestNameDownloads()
    {
        FixtureHttpServer server;
        server.route(QStringLiteral("/n"), FixtureHttpServer::Response::text("%PDF-long"));
        QNetworkAccessManager nam;
        Downloader d(&nam);
        QSignalSpy complete(&d, &Downloader::DownloadComplete);
        const QString name = QString(251, QLatin1Char('n')) + QStringLiteral(".pdf");
        d.BeginDownload(server.urlText(QStringLiteral("/n")), m_dir.filePath(name));
        QVERIFY(complete.wait(5000));
        QCOMPARE(readFile(m_dir.filePath(name)), QByteArray("%PDF-long"));
        QCOMPARE(filesIn(m_dir.path()), QStringList{name});
    }

    void progressOnlyWithKnownTotal()
    {
        FixtureHttpServer server;
        FixtureHttpServer::Response r;
        r.body = bodyOf(200000);
        r.bytesPerInterval = 20000;
        // The network layer reports progress at most every 100 ms; pieces that far apart are reported one by one.
        r.intervalMs = 100;
        server.route(QStringLiteral("/a"), r);
        r.framing = FixtureHttpServer::Framing::Chunked;
        server.route(QStringLiteral("/b"), r);

        QNetworkAccessManager nam;
        Downloader a(&nam), b(&nam);
        QSignalSpy progressA(&a, &Downloader::DownloadProgress), progressB(&b, &Downloader::DownloadProgress);
        QSignalSpy doneA(&a, &Downloader::DownloadComplete), doneB(&b, &Downloader::DownloadComplete);
        a.BeginDownload(server.urlText(QStringLiteral("/a")), m_dir.filePath(QStringLiteral("a")));
        b.BeginDownload(server.urlText(QStringLiteral("/b")), m_dir.filePath(QStringLiteral("b")));
        QTRY_COMPARE_WITH_TIMEOUT(doneA.count() + doneB.count(), 2, 10000);
        QVERIFY(progressA.count() > 1);
        for (const auto &p : progressA) {
            QCOMPARE(p.at(1).toLongLong(), qint64(200000));
            QVERIFY(p.at(0).toLongLong() <= 200000);
        }
        QCOMPARE(progressB.count(), 0);
    }

    void ampersandEntitiesAreCleaned()
    {
        FixtureHttpServer server;
        server.route(QStringLiteral("/get?id=1&t=2&u=3"), FixtureHttpServer::Response::text("x-y-z"));
        QNetworkAccessManager nam;
        Downloader d(&nam);
        QSignalSpy complete(&d, &Downloader::DownloadComplete);
        d.BeginDownload(QStringLiteral("  ") + server.urlText(QStringLiteral("/get?id=1&amp;t=2&AMP;u=3")) +
                            QStringLiteral("  "),
                        m_dir.filePath(QStringLiteral("g.txt")));
        QVERIFY(complete.wait(5000));
        QCOMPARE(server.requests().first().path, QByteArray("/get?id=1&t=2&u=3"));
        QCOMPARE(readFile(m_dir.filePath(QStringLiteral("g.txt"))), QByteArray("x-y-z"));
    }

    // A transfer that ends without its body leaves neither the placeholder nor a temporary file behind.
    void endsWithoutBodyLeaveNoFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message");
        QTest::newRow("stalled with a known total") << "stall"
                                                    << "超时";
        QTest::newRow("trickling without a total") << "stall-nolength"
                                                   << "超时";
        QTest::newRow("connection refused") << "refused"
                                            << "连接被拒绝";
        QTest::newRow("disk refuses the body")
            << "disk" << QString(DownloadTexts::kWriteFailed + QStringLiteral("：") + qt_error_string(EFBIG));
        QTest::newRow("empty body") << "empty"
                                    << "无法下载";
        QTest::newRow("error page") << "404"
                                    << "HTTP 404";
        QTest::newRow("error answer without a page") << "410-empty"
                                                     << "HTTP 410";
    }
    void endsWithoutBodyLeaveNoFile()
    {
        QFETCH(QString, how);
        QFETCH(QString, message);
        FixtureHttpServer server;
        FixtureHttpServer::Response r;
        r.body = bodyOf(100000);
        QString address;
        if (how == QLatin1String("stall")) {
            r.stallAfterBodyBytes = 4000;
            server.route(QStringLiteral("/s"), r);
            address = server.urlText(QStringLiteral("/s"));
        } else if (how == QLatin1String("stall-nolength")) {
            // Data keeps arriving, but a byte now and then is below the progress floor.
            r.framing = FixtureHttpServer::Framing::Chunked;
            r.bytesPerInterval = 1;
            r.intervalMs = 50;
            server.route(QStringLiteral("/s"), r);
            address = server.urlText(QStringLiteral("/s"));
        } else if (how == QLatin1String("disk")) {
            server.route(QStringLiteral("/d"), r);
            address = server.urlText(QStringLiteral("/d"));
        } else if (how == QLatin1String("refused")) {
            FixtureHttpServer gone;
            address = gone.urlText(QStringLiteral("/x"));
        } else if (how == QLatin1String("404")) {
            server.route(QStringLiteral("/e"), FixtureHttpServer::Response::withStatus(404, "<html>missing</html>"));
            address = server.urlText(QStringLiteral("/e"));
        } else if (how == QLatin1String("410-empty")) {
            server.route(QStringLiteral("/e"), FixtureHttpServer::Response::withStatus(410));
            address = server.urlText(QStringLiteral("/e"));
        } else {
            server.route(QStringLiteral("/e"), FixtureHttpServer::Response::text(QByteArray()));
            address = server.urlText(QStringLiteral("/e"));
        }

        QNetworkAccessManager nam;
        Downloader d(&nam);
        QSignalSpy complete(&d, &Downloader::DownloadComplete);
        QSignalSpy error(&d, &Downloader::DownloadError);
        const QString target = m_dir.filePath(QStringLiteral("doc.pdf"));
        std::optional<FileSizeLimit> diskFull;
        if (how == QLatin1String("disk")) {
            diskFull.emplace(20000);
            QVERIFY(diskFull->active());
        }
        d.BeginDownload(address, target);
        QVERIFY(!QFile::exists(target));
        if (how.startsWith(QLatin1String("stall"))) {
            // A minute below the progress floor, counted on the one-second checks from the last time it was met.
            QVERIFY(m_clock->advance(ProgressFloor::kFloorWindow - Downloader::kStallCheckInterval));
            QVERIFY(staysQuiet(error));
            // (The body may arrive as late as the last of those checks, and the minute counts from there.)
            QVERIFY(m_clock->advanceUntil([&] { return !error.isEmpty(); }, Downloader::kStallCheckInterval, 120));
        }
        QVERIFY(caught(error, 20000));
        QCOMPARE(error.first().at(0).toString(), message);
        QCOMPARE(error.first().at(1).toString(), target);
        QCOMPARE(complete.count(), 0);
        QCOMPARE(filesIn(m_dir.path()), QStringList());
        server.closeAllConnections();
    }

    void cancelRaisesNothingAndCleansUp()
    {
        FixtureHttpServer server;
        FixtureHttpServer::Response r;
        r.body = bodyOf(400000);
        r.bytesPerInterval = 4000;
        r.intervalMs = 20;
        server.route(QStringLiteral("/big"), r);
        QNetworkAccessManager nam;
        auto d = std::make_unique<Downloader>(&nam);
        QSignalSpy progress(d.get(), &Downloader::DownloadProgress);
        QSignalSpy complete(d.get(), &Downloader::DownloadComplete);
        QSignalSpy error(d.get(), &Downloader::DownloadError);
        d->BeginDownload(server.urlText(QStringLiteral("/big")), m_dir.filePath(QStringLiteral("big.pdf")));
        QVERIFY(progress.wait(5000));
        QCOMPARE(filesIn(m_dir.path()).size(), 1); // the body being written, under its hidden name
        QCOMPARE(d->CancelAsyncRead(), false);
        QCOMPARE(filesIn(m_dir.path()), QStringList());
        // Nothing may arrive after the cancel, not even the stall limit.
        QVERIFY(m_clock->advance(ProgressFloor::kFloorWindow + Downloader::kStallCheckInterval));
        QVERIFY(staysQuiet(error));
        QCOMPARE(complete.count() + error.count(), 0);
        d.reset();
        QCOMPARE(filesIn(m_dir.path()), QStringList());
    }

    void destroyingARunningTransferCleansUp()
    {
        FixtureHttpServer server;
        FixtureHttpServer::Response r;
        r.body = bodyOf(100000);
        r.bytesPerInterval = 1000;
        r.intervalMs = 20;
        server.route(QStringLiteral("/s"), r);
        QNetworkAccessManager nam;
        auto d = std::make_unique<Downloader>(&nam);
        QSignalSpy progress(d.get(), &Downloader::DownloadProgress);
        d->BeginDownload(server.urlText(QStringLiteral("/s")), m_dir.filePath(QStringLiteral("s.pdf")));
        QVERIFY(progress.wait(5000));
        d.reset();
        QCOMPARE(filesIn(m_dir.path()), QStringList());
        server.closeAllConnections();
    }

    // The overwrite option hands over the path of an existing file: it stays intact until the new body replaces
    // it, and survives a failed transfer.
    void existingFileIsReplacedOnlyByACompleteBody()
    {
        const QString target = m_dir.filePath(QStringLiteral("old.pdf"));
        {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("%PDF-old file");
        }
        FixtureHttpServer server;
        FixtureHttpServer::Response stalled;
        stalled.body = bodyOf(5000);
        stalled.stallAfterBodyBytes = 10;
        server.route(QStringLiteral("/stall"), stalled);
        server.route(QStringLiteral("/ok"), FixtureHttpServer::Response::text("%PDF-new"));

        QNetworkAccessManager nam;
        Downloader d(&nam);
        QSignalSpy error(&d, &Downloader::DownloadError);
        QSignalSpy complete(&d, &Downloader::DownloadComplete);
        d.BeginDownload(server.urlText(QStringLiteral("/stall")), target);
        QCOMPARE(readFile(target), QByteArray("%PDF-old file"));
        QVERIFY(m_clock->advanceUntil([&] { return !error.isEmpty(); }, Downloader::kStallCheckInterval, 400));
        QCOMPARE(readFile(target), QByteArray("%PDF-old file"));
        QCOMPARE(filesIn(m_dir.path()).size(), 1);

        d.BeginDownload(server.urlText(QStringLiteral("/ok")), target);
        QVERIFY(complete.wait(5000));
        QCOMPARE(readFile(target), QByteArray("%PDF-new"));
        QCOMPARE(filesIn(m_dir.path()).size(), 1);
        server.closeAllConnections();
    }

    // The connection closes before the announced size: the completion reports what arrived against the total.
    void shortBodyReportsBothCounts()
    {
        FixtureHttpServer server;
        FixtureHttpServer::Response r;
        r.body = bodyOf(10000);
        r.closeAfterBodyBytes = 6000;
        server.route(QStringLiteral("/short"), r);
        QNetworkAccessManager nam;
        Downloader d(&nam);
        QSignalSpy complete(&d, &Downloader::DownloadComplete);
        QSignalSpy error(&d, &Downloader::DownloadError);
        d.BeginDownload(server.urlText(QStringLiteral("/short")), m_dir.filePath(QStringLiteral("short.pdf")));
        QVERIFY(complete.wait(5000));
        QCOMPARE(complete.first().at(0).toLongLong(), qint64(6000));
        QCOMPARE(complete.first().at(1).toLongLong(), qint64(10000));
        QCOMPARE(error.count(), 0);
        // What arrived is not the document: it never takes the document's name.
        QCOMPARE(filesIn(m_dir.path()), QStringList());
        QVERIFY(!BodyFile::IsReserved(m_dir.filePath(QStringLiteral("short.pdf"))));
    }

private:
    std::unique_ptr<ManualClock> m_clock;
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestDownloader)
#include "test_downloader.moc"
