#pragma once

#include "core/download/DownloadItem.h"

#include <QString>

// What the download manager does when the file it is about to write already exists in the row's folder.
enum class SameNameOption { Skip, Overwrite, Rename };

// The captions of the three option buttons, which are also the persisted values: "跳过", "覆盖", "重命名".
QString SameNameCaption(SameNameOption option);
// The option whose caption equals the trimmed text; rename when none does.
SameNameOption SameNameOptionFromCaption(const QString &caption);

// The folder followed by a separator unless it ends with one already, so that a name appended to it lands inside
// the folder.
QString FolderWithSeparator(const QString &folder);

// Under the skip option a row whose file exists is settled here as done, with the file's length in its size
// and downloaded columns and "已存在，跳过". True when the row still has to be downloaded.
bool 确定是需要下载(DownloadItem &item, SameNameOption option);

// The full path a download of folder/name.type is saved to. Under the rename option an existing file makes the
// name numbered ("report[001]"); a trailing bracket number of the name is continued, other brackets become
// 『』. `shownName` receives the name the row must show (the file's name without its extension).
QString 重命名保存路径(const QString &folder, const QString &name, const QString &type, SameNameOption option,
                       QString *shownName = nullptr);

// The file check of the list menu: a row whose file is missing shows "不存在" in its percent column; its state
// stays. True when the row was marked.
bool MarkRowIfFileMissing(DownloadItem &item);
