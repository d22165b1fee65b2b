#pragma once

#include <QCoroTask>
#include <QString>
#include <functional>

// Bytes read and written between two turns of the event loop: large enough that a copy runs at disk speed, small
// enough that the window stays responsive while a large file is copied.
inline constexpr qint64 kCopyChunkBytes = 1024 * 1024;

// Copies `source` to `target` through a temporary file beside the target, flushed to disk and then renamed over
// the target, so the target's name only ever holds a complete copy (or the file that was there before). The copy
// keeps the source's modification time, so a later copy of the same file can tell it is already there. Between
// chunks other events run; when `keepGoing` then answers false, the copy is given up and its temporary removed.
// True when the target holds the copy.
QCoro::Task<bool> CopyThroughTemporary(QString source, QString target, std::function<bool()> keepGoing = {});
