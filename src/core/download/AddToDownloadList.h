#pragma once

#include <QString>

class DownloadListModel;

// The one way link analysis hands a file to the download manager. The name loses its line breaks and outer
// spaces (or, with `nameFromAddress`, is taken from the address's last segment without its extension) and is
// made safe for the file system; an empty folder becomes the stored default download folder. The row is
// appended as Waiting; an address that is already in the list adds nothing. Always true.
bool 加入下载列表(DownloadListModel &list, const QString &address, const QString &name, const QString &type,
                 const QString &folder, const QString &referrer, bool nameFromAddress = false);
