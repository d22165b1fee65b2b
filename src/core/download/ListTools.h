#pragma once

#include "core/download/DownloadItem.h"

#include <QList>
#include <QString>
#include <QStringList>

class DownloadListModel;
class QRandomGenerator;

// The rules behind the download list's tools menu. The window asks, guards and reports; these change the list.

// folder + name + "." + type, the dot always added: the path the open and notepad commands look at.
QString PlainFilePath(const DownloadItem &item);

// Every row moved once, from the part not yet moved to the end, at a uniformly random position: a random order.
// At most 10000 moves, so longer lists are shuffled in their first 10000 moves only.
void ShuffleList(DownloadListModel &list, QRandomGenerator &random);

// The re-queue step for each of `rows` that is Done or Failed. Returns the rows re-queued.
int ReQueueRows(DownloadListModel &list, const QList<int> &rows);
// The re-queue step for every Failed row and every Done or Failed row of type htm/html.
int ReQueueFailedAndPages(DownloadListModel &list);
// The re-queue step for every Done or Failed row whose size and downloaded columns (commas ignored) are numbers,
// equal, and smaller than `bytes`: files that arrived complete but suspiciously small.
int ReQueueSmallerThan(DownloadListModel &list, double bytes);

QList<int> RowsInState(const DownloadListModel &list, ItemState state);

// "删除文件": rows stay, progress columns emptied, the row's own file deleted. For Done or Failed rows of type
// htm, html or xml, or for Failed rows. Returns the rows touched.
int DeleteFilesOfPages(DownloadListModel &list);
int DeleteFilesOfFailed(DownloadListModel &list);

// The names (as shown, without folder or extension) of all rows, or of the rows not Done, in list order.
QStringList NamesForExport(const DownloadListModel &list, bool unfinishedOnly);

// Every occurrence of `find` (letter case ignored) in every address and referrer replaced by `replacement`.
// A row whose new address another row already has keeps its address and referrer (addresses stay unique).
// Returns the number of such rows.
int ReplaceInAddresses(DownloadListModel &list, const QString &find, const QString &replacement);

// One stable reordering by the column's text (letter case ignored). The size, downloaded and percent columns
// compare numbers numerically (as zero-filled twelve-digit text, "%" ignored) and other texts as text.
void SortListByColumn(DownloadListModel &list, int column, bool descending);
// SortListByColumn in two halves, so the second can run on a worker thread: the column's texts as the list shows
// them, row by row, and the rows' new order worked out from those texts alone.
QList<QString> SortTexts(const DownloadListModel &list, int column);
QList<int> SortedRowOrder(const QList<QString> &texts, int column, bool descending);
