#pragma once

#include "core/pdfcheck/PdfVerdict.h"

#include <QHash>
#include <QList>
#include <QString>
#include <array>

class DownloadListModel;
struct DownloadItem;
struct ResultRow;

enum class FileOutcome { Done, Failed, Skipped, Unfinished };

// One row of the download list as the batch reports it.
struct FileReport {
    QString title;    // the result row's title that handed the file over; empty when not known
    QString address;  // the address fetched (the download row's, as the engines clean it)
    QString path;     // the file the row saves to, in native separators
    qint64 bytes = 0; // received
    FileOutcome outcome = FileOutcome::Unfinished;
    QString reason;                           // why a file failed or was skipped; empty otherwise
    PdfVerdict check = PdfVerdict::Unchecked; // what opening the saved PDF told
    int pages = 0;                            // known when the PDF opened
};

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
    // Keywords the service refused to search (their address too long, a bad request, no such page).
    int keywordsFailed = 0;
    // Writes to the data folder that failed (the visited-address database on a full disk, say).
    int dataWritesFailed = 0;
    // All files together, and the time from the first download's start to the last one's end.
    qint64 bytesReceived = 0;
    qint64 downloadMs = 0;
    QList<FileReport> files;
    // The verdicts of the PDF check by PdfVerdict value, over all files (not checked ones included).
    std::array<int, 6> checkCounts{};

    int checkCount(PdfVerdict verdict) const { return checkCounts[static_cast<std::size_t>(verdict)]; }

    // Some keyword, row's analysis, file or write to the data folder failed; a damaged PDF counts as a failed file.
    bool anyFailed() const;

    // `titles`: the result row title of each download address handed over; `engine`: the download mode the files
    // were fetched with (1 or 2); `checks`: what the PDF check told of the file of each download address.
    static BatchSummary of(const QList<ResultRow> &rows, const DownloadListModel *downloads,
                           const QHash<QString, QString> &titles = {}, int engine = 2,
                           const QHash<QString, PdfReport> &checks = {});
    // The lines written to stdout.
    QString text() const;
    // The same as one JSON document for scripts, with every file and the process's exit status.
    QByteArray json(int exitStatus) const;
};

// How a download row ended: skipped rows are the ones the same-name rule or the size limit passed over.
FileOutcome OutcomeOf(const DownloadItem &item);
// The address the download engine (1 or 2) asks for the row: engine 2 turns the page's "&amp;" into "&", engine 1
// asks for the address as it stands.
QString FetchedAddress(const DownloadItem &item, int engine);
// Why a failed or skipped row did not give its file: the state text its engine left ("HTTP 404", "超时", ...),
// or what the row's numbers tell when the engine left none.
QString EndReason(const DownloadItem &item);
