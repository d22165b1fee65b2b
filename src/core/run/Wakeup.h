#pragma once

#include "core/net/SignalWait.h"

#include <QCoroTask>
#include <QObject>
#include <chrono>

// Lets a suspended run wake up when any of the signals it watches fires, or when its time is up, without polling:
// the run checks its conditions, then waits here, then checks again.
class Wakeup final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    template <typename Sender, typename Signal> void watch(const Sender *sender, Signal signal)
    {
        connect(sender, signal, this, &Wakeup::fire);
    }

    void fire() { Q_EMIT fired(); }

    // Returns when a watched signal fired or `limit` has passed.
    QCoro::Task<> wait(std::chrono::milliseconds limit) { co_await waitForSignal(this, &Wakeup::fired, limit); }

Q_SIGNALS:
    void fired();
};
