#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Where the cache window looks: the program's own browser cache, and the same folder inside every other user's
// home on the machine.
struct CacheLocations {
    QString ownCache;     // the program's browser cache folder
    QString profilesRoot; // the folder holding one home folder per user ("/home"); empty: no other user is found
    QString suffix;       // the cache folder's path inside a home folder, beginning with "/"
    QString ownUser;      // the name of this user's home folder

    // The program's cache `ownCache` inside the home folder `home` gives the root above that home and the path
    // below it; a cache outside the home (a portable data folder) finds no other user, only this one's cache.
    static CacheLocations derive(const QString &ownCache, const QString &home);
};

struct UserCacheFolder {
    QString user;
    QString folder;
};

// The folders directly under the profiles root, one per user.
QStringList ProfileFolders(const CacheLocations &locations);

// The cache folders of those users that exist and this user may read, in the order of `profileFolders`; without
// a profiles root, this user's own cache when it exists.
QList<UserCacheFolder> FindUserCacheFolders(const CacheLocations &locations, const QStringList &profileFolders);
