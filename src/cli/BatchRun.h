#pragma once

#include "cli/BarLayout.h"
#include "cli/BatchOptions.h"
#include "cli/BatchSummary.h"
#include "cli/TransferMeter.h"

#include <QCoroTask>
#include <QHash>
#include <QObject>
#include <QSet>
#include <memory>

class AnalysisDriver;
class BatchPdfCheck;
class ListExchangeRun;
class ListFileReader;
class BatchProgress;
class DownloadScheduler;
class ResultListModel;
class RunFlags;

// One headless run of the whole road: the batch search over every keyword in a windowless browser page, the analysis
// of the rows it collects beside it (each page's rows while the walk goes on), the downloads of the links handed over
// beside that until the list is finished and its PDFs are checked, then the optional export of the list. It drives
// the same core objects the windows drive; only the views differ.
class BatchRun final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BatchRun)
public:
    // Exit statuses of the command.
    static constexpr int kCompleted = 0;
    static constexpr int kFatal = 1;
    static constexpr int kBadArguments = 2;
    static constexpr int kServiceUnusable = 3;
    static constexpr int kSomeFailed = 4;
    static constexpr int kInterrupted = 130;

    // `options.keywords` is the final list (the keyword file already read in).
    BatchRun(const BatchOptions &options, BatchProgress &progress, QObject *parent = nullptr);
    ~BatchRun() override;

    // Runs the road; the exit status: kCompleted when nothing failed, kSomeFailed when the road ran to its end with
    // failed rows or files, kServiceUnusable when the search service answered with something other than result
    // pages, or withheld the pages of several rows in a row during the analysis: the list is exported as it stands
    // (with the rows analysed meanwhile), and the search, the analysis and the downloads stop.
    QCoro::Task<int> run();
    // Ctrl-C: every stage stops at its next check, running transfers end (and take their partial files along).
    void interrupt();

    BatchSummary summary() const;
    const ResultListModel &results() const { return *m_results; }

Q_SIGNALS:
    // The walk of the last keyword ended (or was stopped): no more rows come.
    void searchEnded();

private:
    // Names each line of the settings file that does not parse cleanly.
    void reportSettingsFile();
    // The values the settings file did not take, with a line saying so.
    int settingsWriteFailures();
    // Loads the --import files into the list; false (with a line saying why) when one cannot be read or the run
    // was interrupted.
    QCoro::Task<bool> importLists();
    QCoro::Task<bool> importListFile(QString path);
    bool importAddressList(const QString &path);
    // Walks the result pages of every keyword; nothing when there are none.
    QCoro::Task<> search();
    // Analyses the rows as the search adds them, until the search has ended and its last rows are analysed.
    QCoro::Task<> analyse();
    // Ends the analysis after its current row, and the running transfers.
    void stopAnalysisAndDownloads();
    // Ends the walk after its current page.
    void stopSearch();
    // False (with a line saying why) when --export cannot be written (no such folder, a folder, read-only) or names
    // an existing file that is not this program's export in that format and --overwrite was not given.
    bool exportTargetUsable();
    ListFormat exportFormat() const;
    // In batches, so an interrupt ends it at once without a file; false when it failed or was interrupted.
    QCoro::Task<bool> exportList();
    // The downloads begin with the analysis and take each link as it is handed over.
    void beginDownloads();
    // Waits until the last transfer has ended and every saved PDF is checked.
    QCoro::Task<> download();
    // The DOI and page count of each PDF the check found to be the paper asked for go into its result row.
    void takePdfFacts();
    void configureDownloads();
    void reportFinishedFiles(int first, int last);
    // The files ended, then the bytes, rate, elapsed time and the time left.
    void drawDownloadBar();
    BarState transferState();

    BatchOptions m_options;
    BatchProgress &m_progress;
    std::unique_ptr<RunFlags> m_flags; // the search's
    // The analysis has flags of its own: it runs beside the search, whose walk would refuse to start (and whose
    // batch would refuse the next keyword) while the shared AnalysisIdle said an analysis is active.
    std::unique_ptr<RunFlags> m_analysisFlags;
    ResultListModel *m_results = nullptr;
    DownloadScheduler *m_scheduler = nullptr;
    BatchPdfCheck *m_pdfCheck = nullptr; // with the downloads
    bool m_searching = false;
    bool m_interrupted = false;
    bool m_serviceUnusable = false;
    bool m_downloadsRan = false;
    ListExchangeRun *m_exchange = nullptr; // the export under way
    ListFileReader *m_importing = nullptr; // the list file being read
    int m_analysisRetries = 0;
    int m_keywordsFailed = 0;
    int m_dataWritesFailed = 0;
    int m_settingsFailuresBefore = 0;
    QSet<QString> m_reportedFiles;        // addresses of download rows already reported as ended
    QHash<QString, QString> m_fileTitles; // download address -> the title of the result row that handed it over
    QHash<QString, QString> m_fileRows;   // download address -> the key of that result row
    TransferMeter m_meter;
    qint64 m_downloadsStarted = 0; // monotonic ms
    qint64 m_downloadMs = 0;
};
