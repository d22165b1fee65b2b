#include "web/WebProfile.h"

#include "core/util/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QWebEngineProfile>

QWebEngineProfile *ProgramWebProfile()
{
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        const QString root = DataFolder::filePath(QStringLiteral("browser"));
        QDir().mkpath(root);
        profile = new QWebEngineProfile(QStringLiteral("PaperHarvest"), QCoreApplication::instance());
        profile->setPersistentStoragePath(root + QStringLiteral("/storage"));
        profile->setCachePath(root + QStringLiteral("/cache"));
        profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    }
    return profile;
}
