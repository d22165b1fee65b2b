#pragma once

#include <QDateTime>
#include <chrono>

// The one source of time for the program. Production runs on real time. A test may switch to manual time: the
// monotonic clock then stands still and every ClockTimer waits for advance(), so a 300 s stall limit costs the test
// nothing while real network and browser work goes on at full speed.
class Clock final
{
public:
    using Ms = std::chrono::milliseconds;

    // The current wall-clock time (plus whatever advance() added).
    static QDateTime now();
    // Milliseconds on a monotonic clock (plus whatever advance() added); for elapsed-time tests.
    static qint64 monotonicMs();

    // Moves both clocks by `by`. In manual time the move happens from the event loop, one due ClockTimer at a
    // time in deadline order: the clocks stop at each timer's deadline while its timeout is delivered, and a timer
    // that a receiver starts on the way fires on the way too, as it would have on real time.
    static void advance(Ms by);
    // In manual time, whether an advance() is still on its way.
    static bool isAdvancing();

    static void setManual(bool manual);
    static bool isManual();
    // Back to real time with nothing added.
    static void reset();

private:
    friend class ClockTimer;
    // Manual time: the monotonic reading, moved forward by ClockTimer as it delivers due timeouts.
    static void setManualMonotonicMs(qint64 ms);
    static qint64 advanceTargetMs();
    static void finishAdvance();
};
