#pragma once

class DownloadListModel;

// The file checks of the download window's tools menu, over every row from the first to the last.

// Rows whose file is missing get "不存在" in their percent column; states stay. Returns the rows marked.
int MarkMissingFiles(DownloadListModel &list);
// Every row's file has its type detected and, when it differs, its extension corrected (name and type of the
// row follow). Returns the number of rows corrected.
int CorrectAllFileTypes(DownloadListModel &list);
