#include "core/download/ListChecks.h"

#include "core/download/DownloadListModel.h"
#include "core/download/FileTypeDetection.h"
#include "core/download/SameNameRules.h"

int MarkMissingFiles(DownloadListModel &list)
{
    int marked = 0;
    for (int row = 0; row < list.size(); ++row) {
        bool missing = false;
        list.update(row, [&missing](DownloadItem &item) { missing = MarkRowIfFileMissing(item); });
        marked += missing ? 1 : 0;
    }
    return marked;
}

int CorrectAllFileTypes(DownloadListModel &list)
{
    int corrected = 0;
    for (int row = 0; row < list.size(); ++row) {
        bool changed = false;
        list.update(row, [&changed](DownloadItem &item) { changed = CorrectItemFileType(item); });
        corrected += changed ? 1 : 0;
    }
    return corrected;
}
