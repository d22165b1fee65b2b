#include "core/pdfcheck/PdfChecker.h"

#include "core/pdfcheck/PdfInspection.h"

#include <QElapsedTimer>
#include <QThread>

PdfChecker::PdfChecker(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<PdfReport>();
    // One file at a time, and only on time no other thread wants: on Linux the idle priority is the SCHED_IDLE
    // policy (a lower priority within the normal policy is no priority at all there).
    m_pool.setMaxThreadCount(1);
    m_pool.setThreadPriority(QThread::IdlePriority);
}

PdfChecker::~PdfChecker()
{
    {
        const std::lock_guard lock(m_paceMutex);
        m_stopping = true;
    }
    m_paceChanged.notify_all();
    m_pool.clear();
    m_pool.waitForDone();
}

void PdfChecker::setPaced(bool paced)
{
    if (m_paced.exchange(paced) != paced && !paced)
        m_paceChanged.notify_all();
}

void PdfChecker::rest(std::chrono::nanoseconds checkTook)
{
    std::unique_lock lock(m_paceMutex);
    m_paceChanged.wait_for(lock, checkTook * kRestFactor, [this] { return !m_paced || m_stopping; });
}

void PdfChecker::check(const QString &key, const QString &path, const QString &title)
{
    ++m_pending;
    m_pool.start([this, key, path, title] {
        QElapsedTimer took;
        took.start();
        const PdfReport report = InspectPdf(path, title);
        const std::chrono::nanoseconds checkTook(took.nsecsElapsed());
        // Posted to this object: dropped unread if it is destroyed first (the destructor waits for this task).
        QMetaObject::invokeMethod(
            this,
            [this, key, report] {
                --m_pending;
                Q_EMIT checked(key, report);
                if (m_pending == 0)
                    Q_EMIT allChecked();
            },
            Qt::QueuedConnection);
        rest(checkTook);
    });
}
