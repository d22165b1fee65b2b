#pragma once

#include <QString>

class DownloadListModel;

// The one way link analysis hands a file to the download manager. The row's name is DocumentFileName of the title
// (or, with `nameFromAddress`, of the address's last segment without its extension); an empty folder becomes the
// stored default download folder. The row is appended as Waiting; an address that is already in the list adds
// nothing. Always true.
bool 加入下载列表(DownloadListModel &list, const QString &address, const QString &name, const QString &type,
                  const QString &folder, const QString &referrer, bool nameFromAddress = false);
