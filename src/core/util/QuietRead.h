#pragma once

#include <QFile>
#include <QString>

// Opens `file` (not yet open) on `path` for reading without recording the read in the file's access time, where the
// system allows it (the owner's files on Linux). A file just written has an access time older than its change, so
// the first read of it would otherwise change its inode, and that change goes to the disk with the next journal
// commit, which a download's sync waits for. False when the file cannot be opened.
bool OpenQuietly(QFile &file, const QString &path);
