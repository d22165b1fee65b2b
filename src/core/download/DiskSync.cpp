#include "core/download/DiskSync.h"

#include <QCoroFuture>
#include <QPromise>
#include <QThreadPool>
#include <cerrno>
#include <memory>
#include <unistd.h>

namespace {
// Syncs wait on the disk, not on a processor: as many may wait at once as transfers can end at once.
class SyncThreads final : public QThreadPool
{
public:
    SyncThreads() { setMaxThreadCount(6); }
};

QThreadPool &syncThreads()
{
    static SyncThreads pool;
    return pool;
}

int syncNow(int fd)
{
    // The data and what is needed to read it back (the length); the file's times are not worth a wait.
    return ::fdatasync(fd) == 0 ? 0 : errno;
}
} // namespace

QCoro::Task<int> SyncToDisk(int fd, std::function<void(int fd)> thenOnDisk)
{
    const int own = ::dup(fd);
    if (own < 0)
        co_return errno;
    auto promise = std::make_shared<QPromise<int>>();
    QFuture<int> done = promise->future();
    promise->start();
    syncThreads().start([promise, own, then = std::move(thenOnDisk)] {
        const int error = syncNow(own);
        if (error == 0 && then)
            then(own);
        ::close(own);
        promise->addResult(error);
        promise->finish();
    });
    co_return co_await done;
}
