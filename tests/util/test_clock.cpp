#include "core/util/Clock.h"

#include <QTest>

class TestClock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { Clock::reset(); }

    void scaledIntervals_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<qint64>("interval");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("production") << 1.0 << qint64(60000) << qint64(60000);
        QTest::newRow("shortened") << 0.001 << qint64(60000) << qint64(60);
        QTest::newRow("never below 1 ms") << 0.00001 << qint64(1000) << qint64(1);
        QTest::newRow("zero stays zero") << 0.5 << qint64(0) << qint64(0);
        QTest::newRow("invalid scale means 1") << -3.0 << qint64(500) << qint64(500);
    }
    void scaledIntervals()
    {
        QFETCH(double, scale);
        QFETCH(qint64, interval);
        QFETCH(qint64, expected);
        Clock::setTimeScale(scale);
        QCOMPARE(Clock::scaled(Clock::Ms{interval}).count(), expected);
    }

    void advanceMovesBothClocks()
    {
        const auto wall = Clock::now();
        const auto mono = Clock::monotonicMs();
        Clock::advance(Clock::Ms{3600 * 1000});
        QVERIFY(Clock::now() >= wall.addSecs(3600));
        QVERIFY(Clock::monotonicMs() >= mono + 3600 * 1000);
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "test_clock.moc"
