#pragma once

#include <QString>

class DownloadListModel;
struct DownloadItem;

// Removes the row's file at ItemFilePath when it is the row's own, which only a Done row that wrote it has: a failed
// transfer takes what it wrote with it, and a big file skipped or a same-name file counted as done was never written
// by the row, so such a row leaves alone whatever carries its name (another document with the same title, finished
// earlier). True when a file was removed.
bool DeleteItemFile(const DownloadItem &item);

// The common re-queue step: the row's own file is removed, the row waits again with empty progress columns, and
// a web-page type becomes the placeholder "xxx" so the next transfer decides the type afresh.
void ReQueueRow(DownloadListModel &list, int row);

// A double-click on a Failed row: its own file removed, the row Waiting with empty progress columns (the type
// stays). False (and nothing changed) for a row in another state.
bool RetryFailedRow(DownloadListModel &list, int row);

// Every Failed row re-queued. Returns the number of rows re-queued.
int ReQueueFailed(DownloadListModel &list);
// Every Done or Failed row of type htm, html or xml re-queued with the type "xxx". Returns the number re-queued.
int ReQueuePages(DownloadListModel &list);
