#include "core/net/RetryRule.h"

#include <QTest>
#include <QTimeZone>

using namespace std::chrono_literals;

namespace {
const QDateTime kNow(QDate(2026, 3, 14), QTime(12, 0, 0), QTimeZone::utc());
constexpr qint64 kNone = -1;
} // namespace

class TestRetryRule final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void nextDelay_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("retryAfter");
        QTest::addColumn<int>("retriesSoFar");
        QTest::addColumn<qint64>("expectedMs"); // kNone: not asked again

        QTest::newRow("429 first retry") << 429 << QString() << 0 << qint64(5000);
        QTest::newRow("429 second retry") << 429 << QString() << 1 << qint64(20000);
        QTest::newRow("503 third retry") << 503 << QString() << 2 << qint64(60000);
        QTest::newRow("no fourth retry") << 429 << QString() << 3 << kNone;
        QTest::newRow("no fourth retry, whatever the server asks") << 503 << QStringLiteral("1") << 3 << kNone;
        QTest::newRow("seconds") << 429 << QStringLiteral("7") << 0 << qint64(7000);
        QTest::newRow("seconds with spaces") << 503 << QStringLiteral("  12 ") << 2 << qint64(12000);
        QTest::newRow("zero seconds") << 429 << QStringLiteral("0") << 1 << qint64(0);
        QTest::newRow("seconds capped") << 429 << QStringLiteral("3600") << 0 << qint64(120000);
        QTest::newRow("seconds beyond any integer capped")
            << 429 << QStringLiteral("99999999999999999999999") << 0 << qint64(120000);
        QTest::newRow("imf date") << 429 << QStringLiteral("Sat, 14 Mar 2026 12:00:30 GMT") << 0 << qint64(30000);
        QTest::newRow("imf date with a wrong weekday")
            << 429 << QStringLiteral("Mon, 14 Mar 2026 12:00:30 GMT") << 0 << qint64(30000);
        QTest::newRow("imf date capped") << 503 << QStringLiteral("Sat, 14 Mar 2026 13:00:00 GMT") << 0
                                         << qint64(120000);
        QTest::newRow("date in the past") << 429 << QStringLiteral("Sat, 14 Mar 2026 11:59:00 GMT") << 0 << qint64(0);
        QTest::newRow("rfc 850 date") << 429 << QStringLiteral("Saturday, 14-Mar-26 12:01:00 GMT") << 0
                                      << qint64(60000);
        QTest::newRow("asctime date") << 429 << QStringLiteral("Sat Mar 14 12:00:45 2026") << 0 << qint64(45000);
        QTest::newRow("asctime date, one-digit day")
            << 429 << QStringLiteral("Mon Mar  2 12:00:00 2026") << 0 << qint64(0);
        QTest::newRow("negative seconds: the schedule") << 429 << QStringLiteral("-5") << 1 << qint64(20000);
        QTest::newRow("fraction: the schedule") << 429 << QStringLiteral("1.5") << 0 << qint64(5000);
        QTest::newRow("garbage: the schedule") << 503 << QStringLiteral("soon") << 2 << qint64(60000);
        QTest::newRow("other status") << 500 << QStringLiteral("5") << 0 << kNone;
        QTest::newRow("success") << 200 << QString() << 0 << kNone;
        QTest::newRow("no answer") << 0 << QString() << 0 << kNone;
    }
    void nextDelay()
    {
        QFETCH(int, status);
        QFETCH(QString, retryAfter);
        QFETCH(int, retriesSoFar);
        QFETCH(qint64, expectedMs);
        const auto delay = RetryRule::NextRetryDelay(status, retryAfter, retriesSoFar, kNow);
        QCOMPARE(delay.has_value(), expectedMs != kNone);
        if (delay)
            QCOMPARE(delay->count(), expectedMs);
    }
};

QTEST_GUILESS_MAIN(TestRetryRule)
#include "test_retry_rule.moc"
