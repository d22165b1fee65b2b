// The page fetch and both download engines against one fixture server: whichever path a document takes, the
// server sees the same client.
#include "EngineTestContext.h"

#include "core/download/engines/Downloader.h"
#include "core/download/engines/Engine1.h"
#include "core/net/FetchPageText.h"
#include "core/net/TransferControl.h"
#include "support/FixtureHttpServer.h"
#include "support/TestEnvironment.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <qcoro/qcorotask.h>

using Response = FixtureHttpServer::Response;

class TestRequestPath : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyPathSendsTheSameRequest()
    {
        TestHome home;
        QTemporaryDir dir;
        FixtureHttpServer server;
        server.route(QStringLiteral("/page"), Response::text(QByteArray(200, 'p'), "text/html"));
        server.route(QStringLiteral("/engine1.pdf"), Response::text("%PDF-1"));
        server.route(QStringLiteral("/engine2.pdf"), Response::text("%PDF-2"));
        // A body without a length takes the same path as one with.
        Response unsized = Response::text("%PDF-3");
        unsized.framing = FixtureHttpServer::Framing::None;
        server.route(QStringLiteral("/unsized.pdf"), unsized);

        TransferControl control;
        QVERIFY(
            !QCoro::waitFor(FetchPageText({.address = server.urlText(QStringLiteral("/page"))}, &control)).isEmpty());

        EngineTestContext context;
        const int row = context.addRow(server.urlText(QStringLiteral("/engine1.pdf")), QStringLiteral("engine1"),
                                       QStringLiteral("pdf"), dir.path() + QLatin1Char('/'));
        Engine1 engine(context);
        QSignalSpy ended(&engine, &Engine1::transferEnded);
        engine.Inet下载当前文件(row);
        QVERIFY(ended.wait(10000));
        QVERIFY(ended.first().at(1).toBool());

        QNetworkAccessManager network;
        for (const QString &name : {QStringLiteral("engine2.pdf"), QStringLiteral("unsized.pdf")}) {
            Downloader downloader(&network);
            QSignalSpy complete(&downloader, &Downloader::DownloadComplete);
            downloader.BeginDownload(server.urlText(QLatin1Char('/') + name), dir.filePath(name));
            QVERIFY2(complete.wait(10000), qPrintable(name));
        }

        const auto requests = server.requests();
        QVERIFY(!server.requestsFor(QStringLiteral("/unsized.pdf")).isEmpty());
        const QByteArray agent = requests.first().header("User-Agent");
        QVERIFY2(agent.startsWith("Mozilla/5.0 (compatible; PaperHarvest/"), agent.constData());
        for (const auto &request : requests) {
            QCOMPARE(request.header("User-Agent"), agent);
            QCOMPARE(request.header("Accept-Encoding"), QByteArray("identity"));
        }
    }
};

QTEST_MAIN(TestRequestPath)
#include "test_request_path.moc"
