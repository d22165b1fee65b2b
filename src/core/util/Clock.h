#pragma once

#include <QDateTime>
#include <chrono>

// The one source of time for the program. Production runs on real time with a scale of 1; tests shorten every
// fixed interval (the 60 s page wait, the 300 s stall limit, the 1 s ticks) through setTimeScale() and move the
// wall clock through advance(), without touching the code that uses them.
class Clock final
{
public:
    using Ms = std::chrono::milliseconds;

    // The current wall-clock time (plus whatever advance() added).
    static QDateTime now();
    // Milliseconds on a monotonic clock (plus whatever advance() added); for elapsed-time tests.
    static qint64 monotonicMs();

    // A fixed interval as it must be waited on now: `interval` times the time scale, at least 1 ms unless it is 0.
    static Ms scaled(Ms interval);
    static int scaledMs(Ms interval) { return static_cast<int>(scaled(interval).count()); }

    static void setTimeScale(double scale);
    static double timeScale();
    static void advance(Ms by);
    static void reset();
};
