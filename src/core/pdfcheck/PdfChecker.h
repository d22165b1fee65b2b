#pragma once

#include "core/pdfcheck/PdfVerdict.h"

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <condition_variable>
#include <mutex>

// Checks saved PDFs one after another on a worker thread of idle priority, which takes the time the downloads and
// the windows leave; each verdict comes back as a signal on the checker's own thread.
//
// Idle priority keeps the check off a processor the downloads want, not out of what they share with it: on a
// quiet machine of two cores a check running beside the transfers still made them 12 to 18% slower (caches, the
// memory bus, a halted core's wake-ups). While transfers run, the owner says so (setPaced) and each check is
// followed by a rest four times as long: the checks then take at most a fifth of one core, and at full speed again
// once the transfers end.
class PdfChecker final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PdfChecker)

public:
    explicit PdfChecker(QObject *parent = nullptr);
    // Drops the checks not started and waits for the one running.
    ~PdfChecker() override;

    // `key` comes back with the verdict (a download row's address, say); `title` is the paper the file should be.
    void check(const QString &key, const QString &path, const QString &title);
    // Checks asked for whose verdict has not come back yet.
    int pending() const { return m_pending; }
    // Transfers are running: rest after each check. Turning it off ends a rest at once.
    void setPaced(bool paced);

Q_SIGNALS:
    void checked(const QString &key, const PdfReport &report);
    // The last pending check came back.
    void allChecked();

private:
    // On the worker: rests `checkTook` times kRestFactor, or until the pacing ends or the checker goes.
    void rest(std::chrono::nanoseconds checkTook);
    static constexpr int kRestFactor = 4;

    QThreadPool m_pool;
    int m_pending = 0;
    std::mutex m_paceMutex;
    std::condition_variable m_paceChanged;
    // Set by the owner's thread without the mutex: the worker may hold that while it waits for a processor, and the
    // owner's thread must never wait for an idle-priority thread. A wake-up lost that way ends the rest no later.
    std::atomic_bool m_paced = false;
    bool m_stopping = false; // under m_paceMutex
};
