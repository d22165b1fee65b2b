#pragma once

#include "core/download/DownloadListModel.h"

// The list queries other parts of the program ask by name. The model keeps the numbers as it changes, so each
// answer costs the same however long the list is.

// Rows not started yet: size, downloaded and percent all empty.
inline int 统计未下载项数目(const DownloadListModel &list)
{
    return list.notStartedCount();
}

// True when every row is Done or Failed; true for an empty list.
inline bool 检测是否下载列表完毕(const DownloadListModel &list)
{
    return list.isFinished();
}

// Rows of type htm/html (any state) plus Failed rows of any other type: what the stop rule counts.
inline int CountErrorsAndPages(const DownloadListModel &list)
{
    return list.errorsAndPagesCount();
}

// The statistics line of status-bar panel 4.
inline QString UpdateStatistics(const DownloadListModel &list)
{
    return list.statisticsText();
}
