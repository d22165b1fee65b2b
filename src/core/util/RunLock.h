#pragma once

#include <QString>

// A lock file that tells whether the run holding it is still alive. The holder keeps the file open with an
// exclusive advisory lock (flock) for as long as it lives; the system drops the lock when the holder ends in any
// way (closed, killed, crashed, power lost). Unlike a process number written into a file, which a new process may be
// given after the holder died, the lock can never be mistaken for a live run once its holder is gone.
class RunLock final
{
public:
    RunLock() = default;
    ~RunLock();
    RunLock(const RunLock &) = delete;
    RunLock &operator=(const RunLock &) = delete;

    // Creates (or takes over) the file at `path` and locks it. False when it cannot, with the reason in `error`.
    bool acquire(const QString &path, QString *error = nullptr);
    // Drops the lock and removes the file.
    void release();
    bool isHeld() const { return m_descriptor >= 0; }

    // Whether a live run holds the lock file at `path`. A missing file has no holder. A file that nobody holds is
    // removed, so that the question is asked once per dead run.
    static bool IsHeldByLiveRun(const QString &path);

private:
    QString m_path;
    int m_descriptor = -1;
};
