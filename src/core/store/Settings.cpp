#include "core/store/Settings.h"

#include "core/util/DataFolder.h"

#include <QDir>

QString DefaultDownloadFolder()
{
    return QDir::homePath() + QStringLiteral("/12345");
}

QString StoredDownloadFolder()
{
    const QString stored = SettingKeys::下载文件保存路径.read();
    return stored.isEmpty() ? DefaultDownloadFolder() : stored;
}

QString StoredCopyDestinationFolder()
{
    const QString stored = SettingKeys::目的文件夹.read();
    return stored.isEmpty() ? DataFolder::path() + QLatin1Char('/') : stored;
}
