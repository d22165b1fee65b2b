#include "core/download/DownloadItem.h"

QString ItemFilePath(const DownloadItem &item)
{
    if (item.type.isEmpty())
        return item.folder + item.name;
    return item.folder + item.name + QLatin1Char('.') + item.type;
}
