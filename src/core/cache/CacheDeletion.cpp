#include "core/cache/CacheDeletion.h"

#include "core/cache/SimpleCacheEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
// The streams an entry can have files for besides its first: the second data stream, and the sparse data.
const QStringList kEntryFileEndings{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("s")};

QString realFolderOf(const QString &path)
{
    return QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
}
} // namespace

bool LiesInsideCacheFolders(const QString &path, const QStringList &roots)
{
    if (path.isEmpty())
        return false;
    // The folder holding the file, links resolved; the file itself may be a link, and removing a link leaves what
    // it points to alone.
    const QString folder = realFolderOf(path);
    if (folder.isEmpty())
        return false;
    for (const QString &root : roots) {
        const QString realRoot = QFileInfo(root).canonicalFilePath();
        if (realRoot.isEmpty())
            continue;
        if (folder == realRoot || folder.startsWith(realRoot + QLatin1Char('/')))
            return true;
    }
    return false;
}

bool ForceDelete(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (QFile::remove(path))
        return true;
    // Where read-only files cannot be removed, make it writable first.
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    QFile::remove(path);
    const QFileInfo after(path);
    return !after.exists() && !after.isSymLink();
}

bool DeleteCacheRow(const CacheRow &row, const QStringList &roots, const QString &liveCache)
{
    if (IsProtectedCacheRow(row) || row.filePath.isEmpty())
        return true;
    if (!LiesInsideCacheFolders(row.filePath, roots))
        return false;
    if (!liveCache.isEmpty() && !SimpleCacheEntry::IsEntryStreamFileName(QFileInfo(row.filePath).fileName()) &&
        LiesInsideCacheFolders(row.filePath, {liveCache}))
        return true;
    bool gone = ForceDelete(row.filePath);
    if (!IsUserFileRow(row)) {
        const QFileInfo first(row.filePath);
        if (SimpleCacheEntry::IsEntryFileName(first.fileName())) {
            const QString prefix = first.dir().filePath(SimpleCacheEntry::EntryFilePrefix(first.fileName()));
            for (const QString &ending : kEntryFileEndings)
                gone = ForceDelete(prefix + ending) && gone;
        }
    }
    return gone;
}

void RemoveEmptyFolders(const QStringList &folders)
{
    for (auto it = folders.crbegin(); it != folders.crend(); ++it) {
        if (it->isEmpty())
            continue;
        const QFileInfo info(*it);
        // A link to a folder is not a cache folder of its own: rmdir would fail on it anyway, but say so.
        if (info.isDir() && !info.isSymLink())
            QDir().rmdir(*it);
    }
}
