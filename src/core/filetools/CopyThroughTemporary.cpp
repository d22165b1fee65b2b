#include "core/filetools/CopyThroughTemporary.h"

#include <QCoroTimer>
#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <chrono>

QCoro::Task<bool> CopyThroughTemporary(QString source, QString target, std::function<bool()> keepGoing)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        co_return false;
    const QDateTime modified = in.fileTime(QFileDevice::FileModificationTime);
    // QSaveFile writes to a temporary name in the target's folder and renames it into place on commit; dropped
    // uncommitted, it removes the temporary.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        co_return false;
    for (;;) {
        const QByteArray chunk = in.read(kCopyChunkBytes);
        if (in.error() != QFileDevice::NoError)
            co_return false;
        if (out.write(chunk) != chunk.size())
            co_return false;
        if (chunk.size() < kCopyChunkBytes || in.atEnd())
            break;
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        if (keepGoing && !keepGoing())
            co_return false;
    }
    // Written out before the time is set: closing would otherwise write the last bytes and stamp the time again.
    if (!out.flush())
        co_return false;
    if (modified.isValid())
        out.setFileTime(modified, QFileDevice::FileModificationTime);
    co_return out.commit();
}
