#include "core/util/ClockTimer.h"

#include "core/util/Clock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <algorithm>
#include <climits>
#include <vector>

namespace {
std::vector<ClockTimer *> &manualTimers()
{
    static std::vector<ClockTimer *> timers;
    return timers;
}

quint64 g_nextStartOrder = 0;

} // namespace

// Takes the next step of a manual advance from the event loop, once whatever the last timeout set off has had its
// turn: the step is a low-priority event, so the queued calls it set off (a resumed coroutine, a queued signal) run
// first, and the step then waits behind the zero-length timers those started ("let pending events run").
class ClockTimer::Stepper final : public QObject
{
public:
    static QEvent::Type stepEvent()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    static void post()
    {
        static QPointer<Stepper> instance;
        if (!instance)
            instance = new Stepper(QCoreApplication::instance());
        QCoreApplication::postEvent(instance, new QEvent(stepEvent()), Qt::LowEventPriority);
    }

    bool event(QEvent *e) override
    {
        if (e->type() != stepEvent())
            return QObject::event(e);
        QTimer::singleShot(0, this, &ClockTimer::deliverNextDueTimeout);
        return true;
    }

private:
    using QObject::QObject;
};

ClockTimer::ClockTimer(QObject *parent) : QObject(parent)
{
    connect(&m_realTimer, &QTimer::timeout, this, &ClockTimer::timeout);
}

ClockTimer::~ClockTimer()
{
    disarmManual();
}

void ClockTimer::setInterval(std::chrono::milliseconds interval)
{
    m_interval = interval;
    m_realTimer.setInterval(interval);
}

void ClockTimer::setSingleShot(bool singleShot)
{
    m_singleShot = singleShot;
    m_realTimer.setSingleShot(singleShot);
}

void ClockTimer::start(std::chrono::milliseconds interval)
{
    setInterval(interval);
    start();
}

void ClockTimer::start()
{
    stop();
    // A zero interval is not time passing but "once the events queued so far have run"; that needs no clock.
    if (!Clock::isManual() || m_interval.count() <= 0) {
        m_realTimer.start();
        return;
    }
    m_manual = true;
    m_deadlineMs = Clock::monotonicMs() + m_interval.count();
    m_startOrder = g_nextStartOrder++;
    manualTimers().push_back(this);
}

void ClockTimer::stop()
{
    m_realTimer.stop();
    disarmManual();
}

bool ClockTimer::isActive() const
{
    return m_manual || m_realTimer.isActive();
}

int ClockTimer::remainingTime() const
{
    if (!m_manual)
        return m_realTimer.remainingTime();
    return static_cast<int>(std::clamp<qint64>(m_deadlineMs - Clock::monotonicMs(), 0, INT_MAX));
}

qint64 ClockTimer::msToNextSingleShot()
{
    qint64 next = -1;
    for (const ClockTimer *timer : manualTimers())
        if (timer->m_singleShot && (next < 0 || timer->m_deadlineMs < next))
            next = timer->m_deadlineMs;
    return next < 0 ? -1 : std::max<qint64>(0, next - Clock::monotonicMs());
}

void ClockTimer::disarmManual()
{
    if (!m_manual)
        return;
    m_manual = false;
    auto &timers = manualTimers();
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

void ClockTimer::deliverDueTimeouts()
{
    if (QCoreApplication::instance())
        Stepper::post();
    else
        Clock::finishAdvance();
}

void ClockTimer::deliverNextDueTimeout()
{
    const qint64 target = Clock::advanceTargetMs();
    if (target < 0)
        return;
    auto &timers = manualTimers();
    const auto next = std::min_element(timers.begin(), timers.end(), [](const ClockTimer *a, const ClockTimer *b) {
        return a->m_deadlineMs != b->m_deadlineMs ? a->m_deadlineMs < b->m_deadlineMs
                                                  : a->m_startOrder < b->m_startOrder;
    });
    if (next == timers.end() || (*next)->m_deadlineMs > target) {
        Clock::finishAdvance();
        return;
    }
    ClockTimer *timer = *next;
    Clock::setManualMonotonicMs(timer->m_deadlineMs);
    if (timer->m_singleShot) {
        timer->disarmManual();
    } else {
        timer->m_deadlineMs += timer->m_interval.count();
        timer->m_startOrder = g_nextStartOrder++;
    }
    Q_EMIT timer->timeout();
    deliverDueTimeouts();
}

void ClockTimer::dropManualTimers()
{
    auto &timers = manualTimers();
    for (ClockTimer *timer : timers)
        timer->m_manual = false;
    timers.clear();
}
