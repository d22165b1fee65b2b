#include "web/WebProfile.h"

#include "core/util/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QWebEngineProfile>

QWebEngineProfile *ProgramWebProfile()
{
    static QPointer<QWebEngineProfile> profile;
    static QString profileRoot;
    const QString root = DataFolder::filePath(QStringLiteral("browser"));
    // A data folder chosen anew (tests give each case its own) gets a profile of its own; the old one stays
    // alive for the pages that still use it.
    if (!profile || root != profileRoot) {
        QDir().mkpath(root);
        profile = new QWebEngineProfile(QStringLiteral("PaperHarvest"), QCoreApplication::instance());
        profile->setPersistentStoragePath(root + QStringLiteral("/storage"));
        profile->setCachePath(root + QStringLiteral("/cache"));
        profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
        profileRoot = root;
    }
    return profile;
}
