#pragma once

#include <QString>

// The state of a download row; the value is also the index of the row's state image.
enum class ItemState : int { Waiting = 1, Downloading = 2, Done = 3, Failed = 4 };

// One row of the download list.
struct DownloadItem {
    QString address;    // the row's key: unique in the list
    QString name;       // file name without extension, already safe
    QString type;       // extension without the dot; may be empty
    QString size;       // total bytes as text, "未知", "等待重新下载", or empty before the first start
    QString downloaded; // bytes received as text; empty before the first start
    QString percent;    // "37%" or a status word; empty before the first start
    QString folder;     // save folder; a start makes sure it ends with a separator
    QString referrer;   // hidden; sent as Referer by engine 1, empty means derived from the address
    QString title;      // hidden; the result row's title the link came from, empty for rows added otherwise
    QString check;      // what opening the saved PDF told (完好（n页）, 损坏, ...); empty while not asked
    ItemState state = ItemState::Waiting;
};

// The file that belongs to an item: folder + name + "." + type, or folder + name when type is empty.
// The folder is used as stored.
QString ItemFilePath(const DownloadItem &item);

// Makes the item's folder exist exactly as stored and ends it with a separator. When it cannot be made the item
// fails with "创建文件夹出错！", the folder and the system's reason in its percent column; false then.
bool CreateItemFolder(DownloadItem &item);

// "htm" or "html" in any letter case: the rows that count as downloaded web pages.
bool IsPageType(const QString &type);
// "pdf" in any letter case: the rows whose file the PDF check opens once it is done.
bool IsPdfType(const QString &type);
