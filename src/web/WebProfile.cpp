#include "web/WebProfile.h"

#include "core/util/CacheFolder.h"
#include "core/util/DataFolder.h"
#include "web/CookieBridge.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QWebEngineProfile>

QWebEngineProfile *ProgramWebProfile()
{
    static QPointer<QWebEngineProfile> profile;
    static QString profileRoot;
    static QString profileCache;
    const QString root = DataFolder::filePath(QStringLiteral("browser"));
    const QString cache = CacheFolder::browserCache();
    // A data or cache folder chosen anew (tests give each case its own) gets a profile of its own; the old one
    // stays alive for the pages that still use it.
    if (!profile || root != profileRoot || cache != profileCache) {
        QDir().mkpath(root);
        profile = new QWebEngineProfile(QStringLiteral("PaperHarvest"), QCoreApplication::instance());
        profile->setPersistentStoragePath(root + QStringLiteral("/storage"));
        profile->setCachePath(cache);
        profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
        // Session cookies too: a site's login usually is one, and the login panel exists to keep it.
        profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
        profileRoot = root;
        profileCache = cache;
        if (ProgramCookiesShared())
            CookieBridge::install(profile);
    }
    return profile;
}
