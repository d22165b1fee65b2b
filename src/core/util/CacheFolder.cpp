#include "core/util/CacheFolder.h"

#include "core/util/DataFolder.h"

#include <QDir>
#include <QStandardPaths>

QString CacheFolder::browserCache()
{
    QString folder =
        DataFolder::isOverridden()
            ? DataFolder::filePath(QStringLiteral("browser/cache"))
            : QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/PaperHarvest");
    folder = QDir::cleanPath(QDir(folder).absolutePath());
    QDir().mkpath(folder);
    return folder;
}
