#pragma once

#include <QCoroTask>
#include <functional>

// Waits until what was written through `fd` is on the disk, without holding up the event loop: a sync takes from a
// millisecond to seconds (a busy disk, a large file), and the other transfers, the list and the window go on
// meanwhile. Several syncs run at once, so the file system can take them in one journal commit.
// The descriptor is duplicated for the wait: the caller may close its own at any time.
// `thenOnDisk`, when given, runs on the sync's thread with the duplicate once the sync succeeded: for a step that may
// wait on the disk itself and must not come before the sync.
// Returns 0, or the errno of the sync that failed.
QCoro::Task<int> SyncToDisk(int fd, std::function<void(int fd)> thenOnDisk = {});
