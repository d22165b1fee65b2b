#pragma once

#include "core/util/ClockTimer.h"

#include <QMetaObject>
#include <QObject>
#include <chrono>
#include <coroutine>
#include <utility>

// `co_await waitForSignal(sender, &Sender::signal, timeout)` suspends the coroutine until the signal is emitted
// (true), the timeout passes on the program's clock or the sender is destroyed (false). timeout -1 ms means no limit.
//
// Why not qCoro(sender, signal, timeout): QCoro 0.8 resumes through a queued call that captures its awaiter, and
// a signal emitted twice before the event loop runs (readyRead followed by finished, say) posts two calls; the
// second then runs on a destroyed awaiter. Here exactly one resumption is ever posted, on a helper object that
// outlives neither the wait nor the coroutine, and the coroutine always resumes from the event loop, never from
// inside the emitter.
namespace SignalWaitDetail {

class Waker final : public QObject
{
public:
    Waker() { m_timer.setSingleShot(true); }

    template <typename Sender, typename Signal>
    void arm(Sender *sender, Signal signal, std::chrono::milliseconds timeout)
    {
        if (!sender) {
            fire(false);
            return;
        }
        m_connections[0] = QObject::connect(sender, signal, this, [this](auto &&...) { fire(true); });
        m_connections[1] = QObject::connect(sender, &QObject::destroyed, this, [this] { fire(false); });
        if (timeout.count() >= 0) {
            m_connections[2] = QObject::connect(&m_timer, &ClockTimer::timeout, this, [this] { fire(false); });
            m_timer.start(timeout);
        }
    }

    void fire(bool signalled)
    {
        if (m_fired)
            return;
        m_fired = true;
        m_signalled = signalled;
        disarm();
        if (m_handle)
            post();
    }

    void suspend(std::coroutine_handle<> handle)
    {
        m_handle = handle;
        if (m_fired)
            post();
    }

    // The awaiter is gone: never resume.
    void release()
    {
        m_handle = {};
        disarm();
        deleteLater();
    }

    bool fired() const { return m_fired; }
    bool signalled() const { return m_signalled; }

private:
    void disarm()
    {
        m_timer.stop();
        for (auto &c : m_connections)
            QObject::disconnect(c);
    }

    void post()
    {
        if (m_posted)
            return;
        m_posted = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (auto h = std::exchange(m_handle, {}))
                    h.resume();
            },
            Qt::QueuedConnection);
    }

    ClockTimer m_timer;
    QMetaObject::Connection m_connections[3];
    std::coroutine_handle<> m_handle;
    bool m_fired = false;
    bool m_signalled = false;
    bool m_posted = false;
};

class Awaiter final
{
public:
    explicit Awaiter(Waker *waker) : m_waker(waker) {}
    Awaiter(Awaiter &&other) noexcept : m_waker(std::exchange(other.m_waker, nullptr)) {}
    Awaiter(const Awaiter &) = delete;
    Awaiter &operator=(const Awaiter &) = delete;
    Awaiter &operator=(Awaiter &&) = delete;
    ~Awaiter()
    {
        if (m_waker)
            m_waker->release();
    }

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle) { m_waker->suspend(handle); }
    bool await_resume() const noexcept { return m_waker->signalled(); }

private:
    Waker *m_waker;
};

} // namespace SignalWaitDetail

template <typename Sender, typename Signal>
SignalWaitDetail::Awaiter waitForSignal(Sender *sender, Signal signal, std::chrono::milliseconds timeout)
{
    auto *waker = new SignalWaitDetail::Waker;
    waker->arm(sender, signal, timeout);
    return SignalWaitDetail::Awaiter(waker);
}
