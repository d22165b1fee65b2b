#include "core/util/DataFolder.h"

#include <QDir>
#include <QStandardPaths>

bool DataFolder::isOverridden()
{
    return !qEnvironmentVariableIsEmpty("PAPERHARVEST_HOME");
}

QString DataFolder::path()
{
    QString folder = isOverridden() ? qEnvironmentVariable("PAPERHARVEST_HOME")
                                    : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                          QStringLiteral("/PaperHarvest");
    folder = QDir::cleanPath(QDir(folder).absolutePath());
    QDir().mkpath(folder);
    return folder;
}

QString DataFolder::filePath(const QString &name)
{
    return path() + QLatin1Char('/') + name;
}
