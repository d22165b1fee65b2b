#include "core/util/Clock.h"
#include "core/util/ClockTimer.h"
#include "support/ManualClock.h"

#include <QCoroTask>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {
class Sleeper final : public QObject
{
    Q_OBJECT
public:
    QCoro::Task<> sleep(std::chrono::milliseconds interval)
    {
        co_await ClockSleep(interval);
        Q_EMIT woke();
    }
Q_SIGNALS:
    void woke();
};
} // namespace

class TestClock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { Clock::reset(); }

    void advanceMovesBothClocks()
    {
        const auto wall = Clock::now();
        const auto mono = Clock::monotonicMs();
        Clock::advance(Clock::Ms{3600 * 1000});
        QVERIFY(Clock::now() >= wall.addSecs(3600));
        QVERIFY(Clock::monotonicMs() >= mono + 3600 * 1000);
    }

    void manualTimeStandsStillUntilAdvanced()
    {
        ManualClock clock;
        const qint64 mono = Clock::monotonicMs();
        ClockTimer timer;
        timer.setSingleShot(true);
        QSignalSpy fired(&timer, &ClockTimer::timeout);
        timer.start(1000ms);
        QVERIFY(staysQuiet(fired));
        QCOMPARE(Clock::monotonicMs(), mono);
        QCOMPARE(timer.remainingTime(), 1000);

        QVERIFY(clock.advance(999ms));
        QCOMPARE(timer.remainingTime(), 1);
        QVERIFY(staysQuiet(fired));
        Clock::advance(1ms);
        // Delivered from the event loop, not from inside advance().
        QCOMPARE(fired.size(), 0);
        QVERIFY(fired.wait());
        QVERIFY(!timer.isActive());
        QCOMPARE(Clock::monotonicMs(), mono + 1000);
    }

    // One advance fires every timer that comes due on the way, earliest deadline first, a repeating one as often
    // as its interval fits, and one that a receiver starts on the way as well.
    void dueTimersFireInDeadlineOrder()
    {
        ManualClock clock;
        QStringList order;
        ClockTimer late;
        ClockTimer early;
        ClockTimer ticking;
        ClockTimer chained;
        ClockTimer beyond;
        for (ClockTimer *t : {&late, &early, &chained, &beyond})
            t->setSingleShot(true);
        const qint64 start = Clock::monotonicMs();
        // Each timeout with the clock reading it saw.
        const auto record = [&](ClockTimer &t, const QString &name) {
            connect(&t, &ClockTimer::timeout, this,
                    [&order, name, start] { order << name + u'@' + QString::number(Clock::monotonicMs() - start); });
        };
        const auto at = [](const char *name, qint64 ms) {
            return QString::fromLatin1(name) + u'@' + QString::number(ms);
        };
        record(late, QStringLiteral("late"));
        record(early, QStringLiteral("early"));
        record(ticking, QStringLiteral("tick"));
        record(chained, QStringLiteral("chained"));
        record(beyond, QStringLiteral("beyond"));
        connect(&early, &ClockTimer::timeout, this, [&] { chained.start(1000ms); });
        late.start(2500ms);
        early.start(500ms);
        ticking.start(1000ms);
        beyond.start(3001ms);

        QVERIFY(clock.advance(3000ms));
        QCOMPARE(order, QStringList({at("early", 500), at("tick", 1000), at("chained", 1500), at("tick", 2000),
                                     at("late", 2500), at("tick", 3000)}));
        QCOMPARE(Clock::monotonicMs(), start + 3000);
        QVERIFY(ticking.isActive());
        QCOMPARE(ticking.remainingTime(), 1000);
        QCOMPARE(beyond.remainingTime(), 1);
    }

    // A timer stopped before the clock gets to it stays quiet.
    void stoppedTimerStaysQuiet()
    {
        ManualClock clock;
        ClockTimer timer;
        timer.setSingleShot(true);
        QSignalSpy fired(&timer, &ClockTimer::timeout);
        timer.start(100ms);
        Clock::advance(100ms);
        timer.stop();
        QVERIFY(staysQuiet(fired));
        QVERIFY(!Clock::isAdvancing());
        QVERIFY(!timer.isActive());
    }

    void realTimeTimerFires()
    {
        ClockTimer timer;
        timer.setSingleShot(true);
        QSignalSpy fired(&timer, &ClockTimer::timeout);
        timer.start(10ms);
        QVERIFY(timer.isActive());
        QVERIFY(fired.wait());
        QVERIFY(!timer.isActive());
    }

    // Leaving manual time stops what still waits on it.
    void leavingManualTimeDropsItsTimers()
    {
        ClockTimer timer;
        QSignalSpy fired(&timer, &ClockTimer::timeout);
        {
            ManualClock clock;
            timer.start(1000ms);
            QVERIFY(timer.isActive());
        }
        QVERIFY(!Clock::isManual());
        QVERIFY(!timer.isActive());
        QVERIFY(staysQuiet(fired));
    }

    void sleepResumesWhenTheClockSaysSo()
    {
        ManualClock clock;
        Sleeper sleeper;
        QSignalSpy woke(&sleeper, &Sleeper::woke);
        auto task = sleeper.sleep(5s);
        QVERIFY(clock.advance(4999ms));
        QVERIFY(staysQuiet(woke));
        QVERIFY(clock.advance(1ms));
        QVERIFY(caught(woke));
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "test_clock.moc"
