// The update check's rules (which replies name which version, numbers against numbers) and its road over the
// request component to a local update server: a newer version, the same version, a garbled answer, a closed port
// and a server that never answers.
#include "core/about/AboutTexts.h"
#include "core/about/NewestVersion.h"
#include "core/about/ProgramVersion.h"
#include "core/about/UpdateAddress.h"
#include "core/about/UpdateCheck.h"
#include "core/about/UpdateReply.h"
#include "support/FixtureHttpServer.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using Response = FixtureHttpServer::Response;

namespace {
// Points the update check at `base` for one test.
class UpdateBase final
{
public:
    explicit UpdateBase(const QString &base) : m_previous(qgetenv("PAPERHARVEST_UPDATE_BASE"))
    {
        qputenv("PAPERHARVEST_UPDATE_BASE", base.toUtf8());
    }
    ~UpdateBase() { qputenv("PAPERHARVEST_UPDATE_BASE", m_previous); }
    UpdateBase(const UpdateBase &) = delete;
    UpdateBase &operator=(const UpdateBase &) = delete;

private:
    QByteArray m_previous;
};

// A loopback address where nothing listens.
QString closedPortBase()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}
} // namespace

class TestUpdateCheck final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        SetNewestVersionText(QString());
        QCoreApplication::setApplicationVersion(QStringLiteral("1.2.9"));
    }

    void replyAgainstOwnVersion_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("own");
        QTest::addColumn<QString>("newer"); // the version the check takes, empty for none

        QTest::newRow("numbers, not text") << "1.2.10"
                                           << "1.2.9"
                                           << "1.2.10";
        QTest::newRow("minor above a long revision") << "1.10.0"
                                                     << "1.9.99"
                                                     << "1.10.0";
        QTest::newRow("major") << "2.0.0"
                               << "1.99.9999"
                               << "2.0.0";
        QTest::newRow("same") << "1.2.3"
                              << "1.2.3"
                              << "";
        QTest::newRow("lower") << "1.2.2"
                               << "1.2.3"
                               << "";
        QTest::newRow("spaces around") << "  1.3.0 \r\n"
                                       << "1.2.3"
                                       << "1.3.0";
        QTest::newRow("two parts") << "1.2"
                                   << "0.0.1"
                                   << "";
        QTest::newRow("four parts") << "1.2.3.4"
                                    << "0.0.1"
                                    << "";
        QTest::newRow("letter in front") << "V1.2.3"
                                         << "0.0.1"
                                         << "";
        QTest::newRow("empty part") << "1..3"
                                    << "0.0.1"
                                    << "";
        QTest::newRow("sign") << "1.-2.3"
                              << "0.0.1"
                              << "";
        QTest::newRow("inner space") << "1. 2.3"
                                     << "0.0.1"
                                     << "";
        QTest::newRow("empty") << "   "
                               << "0.0.1"
                               << "";
        QTest::newRow("ten characters") << "10.200.300"
                                        << "1.2.3"
                                        << "10.200.300";
        QTest::newRow("eleven characters") << "10.200.3000"
                                           << "1.2.3"
                                           << "";
        QTest::newRow("page starting with a version") << "9.9.9<html>"
                                                      << "1.2.3"
                                                      << "";
        // Above 2^24, where single-precision numbers would take 20000001 for 20000000.
        QTest::newRow("one revision above, major 2") << "2.0.1"
                                                     << "2.0.0"
                                                     << "2.0.1";
    }
    void replyAgainstOwnVersion()
    {
        QFETCH(QString, reply);
        QFETCH(QString, own);
        QFETCH(QString, newer);
        QCOMPARE(NewerVersionIn(reply, QVersionNumber::fromString(own)), newer);
    }

    void versionNumbers()
    {
        QCOMPARE(VersionNumber(1, 2, 3), 10020003);
        QCOMPARE(UpdateReplyNumber(QStringLiteral("1.10.0")), std::optional<qint64>(10100000));
        QCOMPARE(VersionNumber(QVersionNumber(1, 9, 99)), 10090099);
    }

    // The server's folder for the program, named after the executable; the product page is that folder.
    void addresses()
    {
        UpdateBase base(QStringLiteral("http://updates.example.org/soft/"));
        const QString folder = QStringLiteral("http://updates.example.org/soft/") + ExecutableName();
        QCOMPARE(ProductPageAddress(), folder);
        QCOMPARE(UpdateAddress(), folder + QStringLiteral("/newver.txt"));
        QVERIFY(UpdateServerDeployed());
        UpdateBase placeholder(QStringLiteral("http://update.paperharvest.invalid"));
        QVERIFY(!UpdateServerDeployed());
    }

    void checkAgainstServer_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("found");

        QTest::newRow("newer") << QByteArray(" 1.3.0\r\n") << "1.3.0";
        QTest::newRow("same") << QByteArray("1.2.9") << "";
        QTest::newRow("garbled") << QByteArray("<html>not here</html>") << "";
        QTest::newRow("binary") << QByteArray("\x01\xff.\x02.3", 7) << "";
    }
    // A reply, whatever it says, ends the check without a message; only a higher version is remembered.
    void checkAgainstServer()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, found);
        RecordingPrompt prompt;
        FixtureHttpServer server;
        UpdateBase base(server.urlText(QStringLiteral("/up")));
        const QString path = QStringLiteral("/up/") + ExecutableName() + QStringLiteral("/newver.txt");
        server.route(path, Response::text(body));

        UpdateCheck check;
        QSignalSpy newer(&check, &UpdateCheck::newerVersionFound);
        QSignalSpy finished(&check, &UpdateCheck::finished);
        check.start();
        QVERIFY(check.isRunning());
        QVERIFY(finished.wait());
        QVERIFY(!check.isRunning());
        QCOMPARE(server.requestsFor(path).size(), 1);
        QCOMPARE(server.requests().first().method, QByteArray("GET"));
        QCOMPARE(newer.size(), found.isEmpty() ? 0 : 1);
        if (!found.isEmpty())
            QCOMPARE(newer.first().first().toString(), found);
        QCOMPARE(NewestVersionText(), found);
        QVERIFY(prompt.entries.isEmpty());
    }

    // A later check that finds nothing higher keeps what an earlier one found; one that finds a higher version
    // again replaces it.
    void newestVersionLivesForTheRun()
    {
        RecordingPrompt prompt;
        FixtureHttpServer server;
        UpdateBase base(server.urlText(QStringLiteral("/up")));
        const QString path = QStringLiteral("/up/") + ExecutableName() + QStringLiteral("/newver.txt");
        UpdateCheck check;
        QSignalSpy finished(&check, &UpdateCheck::finished);
        for (const auto &[reply, kept] :
             {std::pair{"2.0.0", "2.0.0"}, {"1.0.0", "2.0.0"}, {"x", "2.0.0"}, {"1.5.0", "1.5.0"}}) {
            server.route(path, Response::text(reply));
            finished.clear();
            check.start();
            QVERIFY(finished.wait());
            QCOMPARE(NewestVersionText(), QString::fromLatin1(kept));
        }
    }

    // No answer: a server error, a closed port. Each failed check says so once.
    void failedCheckSaysSo_data()
    {
        QTest::addColumn<bool>("closedPort");
        QTest::newRow("server error") << false;
        QTest::newRow("closed port") << true;
    }
    void failedCheckSaysSo()
    {
        QFETCH(bool, closedPort);
        RecordingPrompt prompt;
        FixtureHttpServer server;
        server.setHandler([](const auto &) { return Response::withStatus(500, "oops"); });
        UpdateBase base(closedPort ? closedPortBase() : server.urlText(QStringLiteral("/up")));
        UpdateCheck check;
        QSignalSpy failed(&check, &UpdateCheck::failed);
        QSignalSpy finished(&check, &UpdateCheck::finished);
        for (int i = 1; i <= 2; ++i) {
            check.start();
            QVERIFY(finished.wait());
            QCOMPARE(failed.size(), i);
            QCOMPARE(prompt.entries.size(), i);
            QCOMPARE(prompt.entries.last().text, AboutTexts::kNetworkError);
            QCOMPARE(prompt.entries.last().icon, Prompt::Icon::Critical);
        }
        QCOMPARE(NewestVersionText(), QString());
    }

    // A server that takes the request and never answers: starting the check returned at once, and nothing
    // happens until it answers; a new check replaces the hanging one.
    void stalledServerHoldsNothingUp()
    {
        RecordingPrompt prompt;
        FixtureHttpServer server;
        UpdateBase base(server.urlText(QStringLiteral("/up")));
        const QString path = QStringLiteral("/up/") + ExecutableName() + QStringLiteral("/newver.txt");
        Response stalled = Response::text("9.9.9");
        stalled.headerDelayMs = -1;
        server.route(path, stalled);

        UpdateCheck check;
        QSignalSpy finished(&check, &UpdateCheck::finished);
        check.start();
        QTRY_COMPARE(server.requestsFor(path).size(), 1);
        QVERIFY(!finished.wait(300));
        QVERIFY(check.isRunning());

        server.route(path, Response::text("1.3.0"));
        check.start();
        QVERIFY(finished.wait());
        QCOMPARE(finished.size(), 1);
        QCOMPARE(NewestVersionText(), QStringLiteral("1.3.0"));
        QVERIFY(prompt.entries.isEmpty());
    }

    // With the deployment's placeholder host there is no server to ask: no request, no message.
    void noServerNoCheck()
    {
        RecordingPrompt prompt;
        UpdateBase base(QStringLiteral("http://update.paperharvest.invalid"));
        UpdateCheck check;
        QSignalSpy finished(&check, &UpdateCheck::finished);
        check.start();
        QVERIFY(!check.isRunning());
        QVERIFY(!finished.wait(300));
        QVERIFY(prompt.entries.isEmpty());
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "test_updatecheck.moc"
