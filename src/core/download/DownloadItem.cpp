#include "core/download/DownloadItem.h"

QString ItemFilePath(const DownloadItem &item)
{
    if (item.type.isEmpty())
        return item.folder + item.name;
    return item.folder + item.name + QLatin1Char('.') + item.type;
}

bool IsPageType(const QString &type)
{
    return type.compare(QLatin1String("htm"), Qt::CaseInsensitive) == 0 ||
           type.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0;
}
