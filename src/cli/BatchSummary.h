#pragma once

#include <QList>
#include <QString>

class DownloadListModel;
struct DownloadItem;
struct ResultRow;

// What a batch ends with: how many rows the search collected, how the analysis left them (by status word) and
// what became of their files.
struct BatchSummary {
    int rowsCollected = 0;
    // Status words in the order they first appear in the list, with their row counts; rows never analysed
    // (empty status) are counted apart.
    QList<QPair<QString, int>> statuses;
    int unanalysed = 0;
    bool downloadsRan = false;
    int filesDone = 0;
    int filesFailed = 0;
    int filesSkipped = 0;
    int filesWaiting = 0; // not reached (an interrupted run)
    // Requests asked again after the server answered 429 or 503 (row pages and files).
    int retries = 0;

    // Some row's analysis or some file failed.
    bool anyFailed() const;

    static BatchSummary of(const QList<ResultRow> &rows, const DownloadListModel *downloads);
    // The lines written to stdout.
    QString text() const;
};

enum class FileOutcome { Done, Failed, Skipped, Unfinished };
// How a download row ended: skipped rows are the ones the same-name rule or the size limit passed over.
FileOutcome OutcomeOf(const DownloadItem &item);
