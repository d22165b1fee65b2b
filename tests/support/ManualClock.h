#pragma once

#include "core/util/Clock.h"
#include "core/util/ClockTimer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>

// How long a "nothing happens" check listens. In manual time every timer that is due has fired already when
// advance() returns; this only gives whatever they queued its turn.
inline constexpr int kQuietMs = 200;

// True once `spy` holds a signal, waiting for one if it holds none yet (advance() may already have delivered it).
inline bool caught(QSignalSpy &spy, int timeoutMs = 5000)
{
    return !spy.isEmpty() || spy.wait(timeoutMs);
}

// True when `spy` holds no signal and none comes within kQuietMs.
inline bool staysQuiet(QSignalSpy &spy)
{
    return spy.isEmpty() && !spy.wait(kQuietMs) && spy.isEmpty();
}

// Manual time for one test: the program's timers wait for advance() instead of real time, while network and
// browser work keeps running at full speed. Back to real time when it goes out of scope.
class ManualClock final
{
    static constexpr int kSettleLimitMs = 60000;

public:
    ManualClock() { Clock::setManual(true); }
    ~ManualClock() { Clock::reset(); }
    ManualClock(const ManualClock &) = delete;
    ManualClock &operator=(const ManualClock &) = delete;

    // Moves the clock and returns once every timer due on the way has fired and what it set off directly has run
    // (false if that never settles): QVERIFY(clock.advance(60s)). The advance takes one event-loop turn per
    // timeout, five minutes of one-second checks some hundreds; the events are handled as they come, without the
    // pauses QTest::qWaitFor takes between its looks.
    [[nodiscard]] static bool advance(Clock::Ms by)
    {
        Clock::advance(by);
        QElapsedTimer real;
        real.start();
        while (Clock::isAdvancing() && real.elapsed() < kSettleLimitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        return !Clock::isAdvancing();
    }

    // For runs that mix the program's intervals with real work (transfers, page loads): moves the clock one
    // `step` at a time, giving the real work up to `realWaitMs` after each step, until `done` holds. False if it
    // does not within `maxSteps`.
    template <typename Done>
    [[nodiscard]] static bool advanceUntil(Done done, Clock::Ms step, int maxSteps, int realWaitMs = 100)
    {
        for (int i = 0; i < maxSteps; ++i) {
            if (done())
                return true;
            if (!advance(step))
                return false;
            if (QTest::qWaitFor(done, realWaitMs))
                return true;
        }
        return done();
    }

    // For a run whose waits on the clock are short pauses between pieces of real work (page loads, fetches): moves
    // the clock to each single-shot timer due within `longest` as soon as one waits, and otherwise lets the real
    // work go on, until `done` holds. The longer limits of the real work are never reached this way. False if
    // `done` does not hold within `timeoutMs` of real time.
    template <typename Done> [[nodiscard]] static bool passShortWaitsUntil(Done done, Clock::Ms longest, int timeoutMs)
    {
        QElapsedTimer real;
        real.start();
        while (!done()) {
            if (real.elapsed() > timeoutMs)
                return false;
            const qint64 next = ClockTimer::msToNextSingleShot();
            if (next >= 0 && next <= longest.count()) {
                if (!advance(Clock::Ms(next)))
                    return false;
                continue;
            }
            (void)QTest::qWaitFor(done, 50); // the loop looks at `done` itself
        }
        return true;
    }
};
