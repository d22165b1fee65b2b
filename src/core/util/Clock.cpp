#include "core/util/Clock.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>

namespace {
double g_scale = 1.0;
qint64 g_offsetMs = 0;

const QElapsedTimer &monotonic()
{
    static const QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer;
}
} // namespace

QDateTime Clock::now()
{
    return QDateTime::currentDateTime().addMSecs(g_offsetMs);
}

qint64 Clock::monotonicMs()
{
    return monotonic().elapsed() + g_offsetMs;
}

Clock::Ms Clock::scaled(Ms interval)
{
    if (interval.count() <= 0)
        return Ms{0};
    const auto ms = static_cast<qint64>(std::llround(static_cast<double>(interval.count()) * g_scale));
    return Ms{std::max<qint64>(1, ms)};
}

void Clock::setTimeScale(double scale)
{
    g_scale = scale > 0 ? scale : 1.0;
}

double Clock::timeScale()
{
    return g_scale;
}

void Clock::advance(Ms by)
{
    g_offsetMs += by.count();
}

void Clock::reset()
{
    g_scale = 1.0;
    g_offsetMs = 0;
}
