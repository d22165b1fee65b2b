// A body an interrupted transfer left behind, completed by the next transfer of the same address in either engine,
// against servers that honour ranges, ignore them, refuse them or answer with the wrong piece.
#include "EngineTestFixture.h"

#include "core/download/BodyFile.h"
#include "core/download/engines/Engine1.h"
#include "core/download/engines/Engine2.h"
#include "support/FixtureHttpServer.h"
#include "support/FolderFiles.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Response = FixtureHttpServer::Response;

namespace {
constexpr qint64 kWhole = 300000;
constexpr qint64 kCut = 120000; // where the first transfer breaks off

QByteArray pdfBody(char fill)
{
    QByteArray body(kWhole, fill);
    for (qint64 i = 0; i < kWhole; i += 97)
        body[i] = static_cast<char>('a' + i % 23);
    return body.replace(0, 9, "%PDF-1.4\n");
}

// How the server treats a request for the rest of the body.
enum class Ranges {
    Honoured,       // 206 with the rest while If-Range names its copy
    ByDate,         // the same, validated by Last-Modified (no entity tag)
    CopyChanged,    // a new copy with another tag: If-Range fails, the whole new body comes
    IfRangeIgnored, // a new copy of the same length, and the rest of it sent whatever If-Range says
    Ignored,        // always 200 with the whole body
    Refused,        // 416 to any range
    WrongPiece,     // 206 with a piece that starts elsewhere
    OtherTotal,     // 206 from the right byte, but of a body of another length
    WeakTag,        // only a weak entity tag, which never vouches for bytes: nothing to resume with
};

// One document whose first answer breaks off at kCut, then answers as `ranges` says. Counts the body bytes sent.
class RangeSite final
{
public:
    explicit RangeSite(Ranges ranges) : m_ranges(ranges)
    {
        server.setHandler([this](const FixtureHttpServer::Request &request) -> std::optional<Response> {
            if (request.pathOnly() != "/doc.pdf")
                return std::nullopt;
            return answer(request);
        });
    }

    QString address() const { return server.urlText(QStringLiteral("/doc.pdf")); }
    // The body the second transfer has to end with.
    QByteArray finalBody() const
    {
        return m_ranges == Ranges::CopyChanged || m_ranges == Ranges::IfRangeIgnored ? changed : original;
    }

    FixtureHttpServer server;
    const QByteArray original = pdfBody('o');
    const QByteArray changed = pdfBody('c');
    qint64 bytesSent = 0;

private:
    QByteArray validatorName() const { return m_ranges == Ranges::ByDate ? "Last-Modified" : "ETag"; }
    QByteArray validator() const
    {
        if (m_ranges == Ranges::ByDate)
            return "Tue, 01 Dec 2026 10:00:00 GMT";
        if (m_ranges == Ranges::WeakTag)
            return "W/\"v1\"";
        return m_interrupted && finalBody() == changed ? "\"v2\"" : "\"v1\"";
    }

    Response whole(const QByteArray &body)
    {
        // A type that says nothing: only the file's first bytes tell it is a PDF.
        Response r = Response::text(body, "application/octet-stream");
        r.headers.append({validatorName(), validator()});
        return r;
    }

    Response piece(qint64 first, qint64 total)
    {
        Response r = whole(finalBody().mid(first));
        r.status = 206;
        r.reason = "Partial Content";
        r.headers.append({"Content-Range", "bytes " + QByteArray::number(first) + '-' +
                                               QByteArray::number(first + r.body.size() - 1) + '/' +
                                               QByteArray::number(total)});
        return r;
    }

    Response answer(const FixtureHttpServer::Request &request)
    {
        if (!m_interrupted) {
            Response r = whole(original);
            r.closeAfterBodyBytes = kCut;
            m_interrupted = true;
            bytesSent += kCut;
            return r;
        }
        const QRegularExpressionMatch range =
            QRegularExpression(QStringLiteral("^bytes=(\\d+)-$")).match(QString::fromLatin1(request.header("Range")));
        const bool sameCopy = request.header("If-Range") == validator();
        Response r = whole(finalBody());
        if (range.hasMatch() && m_ranges == Ranges::Refused) {
            r = Response::withStatus(416);
            r.headers.append({"Content-Range", "bytes */" + QByteArray::number(kWhole)});
        } else if (range.hasMatch() && sameCopy && m_ranges == Ranges::WrongPiece) {
            r = piece(range.captured(1).toLongLong() - 1000, kWhole);
        } else if (range.hasMatch() && sameCopy && m_ranges == Ranges::OtherTotal) {
            r = piece(range.captured(1).toLongLong(), kWhole + 5);
        } else if (range.hasMatch() && (sameCopy || m_ranges == Ranges::IfRangeIgnored) &&
                   m_ranges != Ranges::Ignored) {
            r = piece(range.captured(1).toLongLong(), kWhole);
        }
        bytesSent += r.body.size();
        return r;
    }

    Ranges m_ranges;
    bool m_interrupted = false;
};
} // namespace

class TestResume : public QObject, protected EngineTestFixture
{
    Q_OBJECT

    QString folder() const { return m_dir->path() + QLatin1Char('/'); }
    // Where the row's body goes while its type is the queued one, and where it ends once its first bytes are seen.
    QString target() const { return folder() + QStringLiteral("doc.xxx"); }
    QString saved() const { return folder() + QStringLiteral("doc.pdf"); }

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
        engine.多线程下载(1, row, m_context->model.item(row).address, target());
        return QTest::qWaitFor([&] { return !engine.slotLoaded(1) && !engine.writesPending(); }, 20000);
    }

private Q_SLOTS:
    void init() { setUpFixture(); }
    void cleanup() { tearDownFixture(); }

    void brokenTransferIsCompletedNextTime_data()
    {
        QTest::addColumn<int>("engine");
        QTest::addColumn<int>("ranges");
        QTest::addColumn<int>("requests");  // of the second transfer
        QTest::addColumn<qint64>("resent"); // body bytes the second transfer cost the server
        for (const int engine : {1, 2}) {
            const auto row = [engine](const char *name) -> QTestData & {
                return QTest::addRow("engine %d, %s", engine, name) << engine;
            };
            row("ranges honoured") << int(Ranges::Honoured) << 1 << kWhole - kCut;
            row("validated by date") << int(Ranges::ByDate) << 1 << kWhole - kCut;
            row("copy changed") << int(Ranges::CopyChanged) << 1 << kWhole;
            // The piece's own tag says it belongs to another copy: it is never joined to the kept part.
            row("If-Range ignored, copy changed") << int(Ranges::IfRangeIgnored) << 2 << kWhole - kCut + kWhole;
            row("ranges ignored") << int(Ranges::Ignored) << 1 << kWhole;
            row("416") << int(Ranges::Refused) << 2 << kWhole;
            row("piece from elsewhere") << int(Ranges::WrongPiece) << 2 << kWhole + kWhole - kCut + 1000;
            row("piece of another length") << int(Ranges::OtherTotal) << 2 << kWhole + kWhole - kCut;
            row("weak tag only") << int(Ranges::WeakTag) << 1 << kWhole;
        }
    }
    void brokenTransferIsCompletedNextTime()
    {
        QFETCH(int, engine);
        QFETCH(int, ranges);
        QFETCH(int, requests);
        QFETCH(qint64, resent);
        RangeSite site{Ranges(ranges)};
        const int row = m_context->addRow(site.address(), QStringLiteral("doc"), QStringLiteral("xxx"), folder());

        // Broken off: the document's name stays free, what came waits under the hidden names (unless nothing
        // could ever vouch for it).
        const bool resumable = Ranges(ranges) != Ranges::WeakTag;
        QVERIFY(transfer(engine, row));
        QCOMPARE(m_context->model.item(row).state, ItemState::Failed);
        QCOMPARE(filesIn(m_dir->path()).size(), resumable ? 1 : 0);
        if (resumable)
            QCOMPARE(readFile(BodyFile::TemporaryPathFor(target())), site.original.left(kCut));
        // A new start of the program sweeps the folder first; the body waits for its row.
        QCOMPARE(BodyFile::RemoveLeftovers(m_dir->path()), 0);

        // Counted from here are the second transfer's requests only. Qt's HTTP thread may have sent the first request
        // once more after the server cut its answer short (it does when the close reaches it before it read the
        // answer; the program asked once), and this server would only read it now: it belongs to the first
        // transfer, whose engine and connections are gone.
        site.server.forgetEarlierClients();
        site.bytesSent = 0;
        QVERIFY(transfer(engine, row));
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(item.state, ItemState::Done);
        QCOMPARE(readFile(saved()), site.finalBody());
        QCOMPARE(filesIn(m_dir->path()), QStringList{QStringLiteral("doc.pdf")});
        // Told by the first bytes, which the kept part holds.
        QCOMPARE(item.type, QStringLiteral("pdf"));
        // The row counts the whole file, not the part this transfer brought.
        QCOMPARE(item.size, QString::number(kWhole));

        const QList<FixtureHttpServer::Request> asked = site.server.requests();
        QCOMPARE(asked.size(), requests);
        QCOMPARE(asked.first().header("Range"), resumable ? "bytes=" + QByteArray::number(kCut) + '-' : QByteArray());
        if (resumable)
            QCOMPARE(asked.first().header("If-Range"), Ranges(ranges) == Ranges::ByDate
                                                           ? QByteArray("Tue, 01 Dec 2026 10:00:00 GMT")
                                                           : QByteArray("\"v1\""));
        // Asked anew, the whole body is asked for.
        if (requests > 1)
            QVERIFY(!asked.last().hasHeader("Range"));
        QCOMPARE(site.bytesSent, resent);
    }

    // The size limit counts the bytes kept from before: the whole file is over it, though the rest is not.
    void keptBytesCountTowardTheSizeLimit_data()
    {
        QTest::addColumn<int>("engine");
        QTest::newRow("engine 1") << 1;
        QTest::newRow("engine 2") << 2;
    }
    void keptBytesCountTowardTheSizeLimit()
    {
        QFETCH(int, engine);
        RangeSite site{Ranges::Honoured};
        const int row = m_context->addRow(site.address(), QStringLiteral("doc"), QStringLiteral("xxx"), folder());
        QVERIFY(transfer(engine, row));
        m_context->downloadSettings.maxFileSizeMb = double(kWhole - kCut / 2) / 1024.0 / 1024.0;
        QVERIFY(transfer(engine, row));
        const DownloadItem &item = m_context->model.item(row);
        QCOMPARE(item.state, ItemState::Done);
        QCOMPARE(item.percent, QStringLiteral("大文件，跳过"));
        QCOMPARE(filesIn(m_dir->path()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestResume)
#include "test_resume.moc"
