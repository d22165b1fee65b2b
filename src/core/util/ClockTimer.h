#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <utility>

// The timer for the program's fixed intervals: a plain QTimer on real time, but in manual time (Clock::setManual)
// it waits for Clock::advance() instead, so a test decides when a minute has passed.
class ClockTimer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClockTimer)
public:
    explicit ClockTimer(QObject *parent = nullptr);
    ~ClockTimer() override;

    void setInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds interval() const { return m_interval; }
    void setSingleShot(bool singleShot);
    bool isSingleShot() const { return m_singleShot; }

    void start();
    void start(std::chrono::milliseconds interval);
    void stop();
    bool isActive() const;
    // Milliseconds until the next timeout, 0 if overdue, -1 if not running.
    int remainingTime() const;

    // In manual time, how far ahead the nearest single-shot timer is due; -1 when none waits. Lets a test pass a
    // run's pauses without running into the longer limits of its real work.
    static qint64 msToNextSingleShot();

Q_SIGNALS:
    void timeout();

private:
    class Stepper;
    friend class Clock;
    // For Clock::advance: from the event loop, delivers the due manual timeouts one by one, then ends the advance.
    static void deliverDueTimeouts();
    static void deliverNextDueTimeout();
    // Back on real time: the manual timers stop.
    static void dropManualTimers();

    void disarmManual();

    QTimer m_realTimer;
    std::chrono::milliseconds m_interval{0};
    bool m_singleShot = false;
    bool m_manual = false;
    qint64 m_deadlineMs = 0;
    // Orders timers with the same deadline by when they were started.
    quint64 m_startOrder = 0;
};

// `co_await ClockSleep(interval)` suspends a coroutine for `interval` on the program's clock; it always resumes
// from the event loop.
class ClockSleep final
{
public:
    explicit ClockSleep(std::chrono::milliseconds interval) : m_interval(interval) {}
    ClockSleep(ClockSleep &&other) noexcept
        : m_interval(other.m_interval), m_timer(std::exchange(other.m_timer, nullptr))
    {}
    ClockSleep(const ClockSleep &) = delete;
    ClockSleep &operator=(const ClockSleep &) = delete;
    ClockSleep &operator=(ClockSleep &&) = delete;
    ~ClockSleep()
    {
        // The coroutine may go on (and end this awaiter) from inside the timeout itself.
        if (m_timer) {
            m_timer->stop();
            m_timer->disconnect();
            m_timer->deleteLater();
        }
    }

    bool await_ready() const noexcept { return false; }
    template <typename Handle> void await_suspend(Handle handle)
    {
        m_timer = new ClockTimer;
        m_timer->setSingleShot(true);
        QObject::connect(m_timer, &ClockTimer::timeout, m_timer, [handle] { handle.resume(); });
        m_timer->start(m_interval);
    }
    void await_resume() const noexcept {}

private:
    std::chrono::milliseconds m_interval;
    ClockTimer *m_timer = nullptr;
};
