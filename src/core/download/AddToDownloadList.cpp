#include "core/download/AddToDownloadList.h"

#include "core/download/DownloadListModel.h"
#include "core/store/Settings.h"
#include "core/util/DocumentFileName.h"

bool 加入下载列表(DownloadListModel &list, const QString &address, const QString &name, const QString &type,
                  const QString &folder, const QString &referrer, bool nameFromAddress)
{
    DownloadItem item;
    item.address = address;
    item.name = DocumentFileName(name, address, nameFromAddress);
    item.type = type;
    item.folder = folder.isEmpty() ? StoredDownloadFolder() : folder;
    item.referrer = referrer;
    item.title = name;
    item.state = ItemState::Waiting;
    list.append(item);
    return true;
}
