#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// A 10 ms timer on the main thread that remembers how late its ticks came: the gap between two ticks beyond the
// interval is how long the thread could not answer (a click, a repaint) at that moment.
class Heartbeat final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 10;

    Heartbeat();
    // Starts a new stage: the worst lateness counts from here.
    void restart();
    // The worst lateness since restart(), in ms; the gap up to now counts too, so a stall still going on is seen.
    double worstMs() const;

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    double m_worstMs = 0;
};
