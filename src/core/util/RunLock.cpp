#include "core/util/RunLock.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
int openLockFile(const QString &path, int flags)
{
    return ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC | O_NOFOLLOW, 0600);
}
} // namespace

RunLock::~RunLock()
{
    release();
}

bool RunLock::acquire(const QString &path, QString *error)
{
    release();
    const int descriptor = openLockFile(path, O_RDWR | O_CREAT);
    if (descriptor < 0 || ::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, qt_error_string(errno));
        if (descriptor >= 0)
            ::close(descriptor);
        return false;
    }
    m_descriptor = descriptor;
    m_path = path;
    return true;
}

void RunLock::release()
{
    if (m_descriptor < 0)
        return;
    // Removed while still locked, so no other run can take the file for a dead one's in between.
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_descriptor);
    m_descriptor = -1;
    m_path.clear();
}

bool RunLock::IsHeldByLiveRun(const QString &path)
{
    const int descriptor = openLockFile(path, O_RDWR);
    if (descriptor < 0)
        return errno != ENOENT;
    const bool held = ::flock(descriptor, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (!held)
        ::unlink(QFile::encodeName(path).constData());
    ::close(descriptor);
    return held;
}
