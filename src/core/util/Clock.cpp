#include "core/util/Clock.h"

#include "core/util/ClockTimer.h"

#include <QElapsedTimer>

namespace {
qint64 g_offsetMs = 0;
bool g_manual = false;
// In manual time, the monotonic reading at the moment time stopped.
qint64 g_stoppedAtMs = 0;
// In manual time, where the advance under way ends; -1 when none is.
qint64 g_targetMs = -1;

qint64 realMonotonicMs()
{
    static const QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}
} // namespace

QDateTime Clock::now()
{
    return QDateTime::currentDateTime().addMSecs(g_offsetMs);
}

qint64 Clock::monotonicMs()
{
    return (g_manual ? g_stoppedAtMs : realMonotonicMs()) + g_offsetMs;
}

void Clock::advance(Ms by)
{
    if (by.count() < 0)
        return;
    if (!g_manual) {
        g_offsetMs += by.count();
        return;
    }
    if (g_targetMs >= 0) {
        g_targetMs += by.count();
        return;
    }
    g_targetMs = monotonicMs() + by.count();
    ClockTimer::deliverDueTimeouts();
}

bool Clock::isAdvancing()
{
    return g_targetMs >= 0;
}

void Clock::setManual(bool manual)
{
    if (manual == g_manual)
        return;
    if (manual) {
        g_stoppedAtMs = realMonotonicMs();
    } else {
        // Real time goes on from where manual time stood, so the monotonic clock never runs backwards.
        g_offsetMs += g_stoppedAtMs - realMonotonicMs();
        g_targetMs = -1;
        ClockTimer::dropManualTimers();
    }
    g_manual = manual;
}

bool Clock::isManual()
{
    return g_manual;
}

void Clock::reset()
{
    setManual(false);
    g_offsetMs = 0;
}

void Clock::setManualMonotonicMs(qint64 ms)
{
    g_offsetMs = ms - g_stoppedAtMs;
}

qint64 Clock::advanceTargetMs()
{
    return g_targetMs;
}

void Clock::finishAdvance()
{
    if (g_targetMs < 0)
        return;
    setManualMonotonicMs(g_targetMs);
    g_targetMs = -1;
}
