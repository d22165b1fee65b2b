#include "core/cache/CacheLocations.h"

#include <QDir>
#include <QFileInfo>

CacheLocations CacheLocations::derive(const QString &ownCache, const QString &home)
{
    CacheLocations locations;
    locations.ownCache = QDir::cleanPath(ownCache);
    const QString cleanHome = QDir::cleanPath(home);
    locations.ownUser = QFileInfo(cleanHome).fileName();
    if (cleanHome.isEmpty() || cleanHome == QLatin1String("/") ||
        !locations.ownCache.startsWith(cleanHome + QLatin1Char('/')))
        return locations;
    locations.suffix = locations.ownCache.mid(cleanHome.size());
    locations.profilesRoot = QFileInfo(cleanHome).absolutePath();
    return locations;
}

QStringList ProfileFolders(const CacheLocations &locations)
{
    if (locations.profilesRoot.isEmpty())
        return {};
    QStringList folders;
    const QDir root(locations.profilesRoot);
    for (const QString &name : root.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
        folders.append(root.filePath(name));
    return folders;
}

QList<UserCacheFolder> FindUserCacheFolders(const CacheLocations &locations, const QStringList &profileFolders)
{
    QList<UserCacheFolder> found;
    if (locations.suffix.isEmpty()) {
        if (!locations.ownCache.isEmpty() && QFileInfo(locations.ownCache).isDir())
            found.append({locations.ownUser, locations.ownCache});
        return found;
    }
    for (const QString &profile : profileFolders) {
        const QString folder = profile + locations.suffix;
        const QFileInfo info(folder);
        if (!info.isDir() || !info.isReadable() || !info.isExecutable())
            continue;
        found.append({QFileInfo(profile).fileName(), folder});
    }
    return found;
}
