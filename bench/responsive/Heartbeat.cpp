#include "Heartbeat.h"

#include <algorithm>

Heartbeat::Heartbeat()
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &Heartbeat::tick);
    m_clock.start();
    m_timer.start();
    restart();
}

void Heartbeat::restart()
{
    m_lastNs = m_clock.nsecsElapsed();
    m_worstMs = 0;
}

void Heartbeat::tick()
{
    const qint64 now = m_clock.nsecsElapsed();
    m_worstMs = std::max(m_worstMs, double(now - m_lastNs) / 1e6 - kIntervalMs);
    m_lastNs = now;
}

double Heartbeat::worstMs() const
{
    return std::max(m_worstMs, double(m_clock.nsecsElapsed() - m_lastNs) / 1e6 - kIntervalMs);
}
