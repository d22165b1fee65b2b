#pragma once

#include "core/analysis/AnalysisSet.h"
#include "core/search/ServicePageCheck.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <chrono>

class AnalysisView;
class InetPool;
class PacingView;
class ProxyRotation;
class ResultListModel;
struct ResultRow;
class RunFlags;
class TransferControl;

// The analysis of harvested rows: for each row of a run, the skip rules, the fetch of the row's page, the choice
// of a free download link on it and the hand-over of that link to the download list, with the outcome written
// into the row's status. One run at a time (AnalysisIdle); a stop request ends the run after the current row.
//
// Runs are coroutines on the one thread: while a page is fetched or a pause runs, the window goes on handling its
// events, and the stop button takes effect at once inside the pause. The window (or the batch mode) supplies its
// check boxes, list selection, progress panel and download hand-over through AnalysisView, its delay box through
// PacingView.
class AnalysisDriver final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnalysisDriver)

public:
    // The automatic analysis of unanalysed rows looks every 5 seconds.
    static constexpr std::chrono::milliseconds kAutoAnalysisInterval{5000};
    // What the row fetch asks for.
    static constexpr int kFetchTimeoutSeconds = 60;
    // The longest a row's fetch may take in all, however steadily the server keeps sending.
    static constexpr std::chrono::milliseconds kRowFetchDeadline{180000};
    // A page must be longer than this to be looked at.
    static constexpr int kShortPageLength = 100;
    // Rows in a row whose page the service withheld (a verification page, a refusal after the back-off) that end
    // the run: by then the service has stopped answering, and every further row would only fail the same way.
    static constexpr int kServiceRefusalsToStop = 3;

    // The references must outlive the driver. A driver destroyed during a run (a window closed while a stopped
    // run finishes its row) leaves the run to end quietly at its next step.
    AnalysisDriver(ResultListModel &rows, RunFlags &flags, ProxyRotation &proxies, AnalysisView &view,
                   const PacingView &pacing, QObject *parent = nullptr);
    ~AnalysisDriver() override;

    // Starts a run over `set` and returns at once; refused with a message while a run is active.
    void start(AnalysisSet set);
    // The same run, awaitable (the batch mode waits for it). False when it was refused.
    QCoro::Task<bool> run(AnalysisSet set);
    // Command5 "停止": the run ends after the row it is on; a running pause ends at once.
    void stop();
    // One tick of the automatic analysis (the main window's Timer1, while Check6 is checked): starts a run over the
    // unanalysed rows, as the menu command does, unless a run holds AnalysisIdle.
    void autoAnalysisTick();

    bool isRunning() const { return m_running; }
    // How often a row's page was asked for again after a 429 or 503, over the driver's life.
    int retries() const { return m_retries; }
    InetPool &pool() { return *m_pool; }

    // Whether a fetched page is worth looking at: long enough, and text rather than binary data.
    static bool IsUsablePageText(const QString &text);

Q_SIGNALS:
    void runStarted();
    void runFinished();
    // A row's analysis ended with its final status.
    void rowAnalysed(int row, const QString &status);
    // The service turned a row's page away (429 or 503): it is asked again after `delay`, retry `retry` of at most
    // RetryRule::kMaxRetries.
    void retryWaiting(const QString &address, std::chrono::milliseconds delay, int retry);
    // The run ends because the service withheld the pages of kServiceRefusalsToStop rows in a row; `address` is
    // the last of them. runFinished follows.
    void serviceUnusable(const ServicePageVerdict &verdict, const QString &address);

private:
    // One row from start to end; the status it was left with (empty when the driver went away meanwhile).
    QCoro::Task<QString> 分析链接提取pdf链接(int row);
    // The skip rules, the fetch and the hand-over; the row's status, or empty when the row ends as failed.
    QCoro::Task<QString> analyseRow(const ResultRow &r);
    // What a row's fetch brought: the page (empty when it could not be had) and whether the service withheld it.
    struct RowPage {
        QString text;
        ServicePageVerdict verdict;
    };
    // The row's page, asked for again while the service answers 429 or 503 and the rule allows another retry.
    QCoro::Task<RowPage> fetchRowPage(const ResultRow &r, const QString &proxy);
    // One request for the row's page, ended when the row's deadline passes.
    QCoro::Task<QString> fetchOnce(TransferControl &control, const ResultRow &r, const QString &proxy);
    // The wait before a retry; false when the run was stopped meanwhile.
    QCoro::Task<bool> backOff(std::chrono::milliseconds delay);
    // Counts a withheld page towards the end of the run; true when the run ends here.
    bool noteServiceAnswer(const ServicePageVerdict &verdict, const QString &address);
    // The free link of a fetched page handed to the download list; the row's status.
    QString handOverLink(const QString &key, const QString &text, const QString &name, const QString &folder);
    QCoro::Task<> runRows(AnalysisSet set);
    // Writes into the row holding `key` (if it is still there); returns the status.
    QString setRowStatus(const QString &key, const QString &status);
    void setRowType(const QString &key, const QString &type);

    ResultListModel &m_rows;
    RunFlags &m_flags;
    ProxyRotation &m_proxies;
    AnalysisView &m_view;
    const PacingView &m_pacing;
    InetPool *m_pool = nullptr;
    bool m_running = false;
    int m_retries = 0;
    int m_serviceRefusals = 0; // rows in a row whose page the service withheld
    ServicePageVerdict m_lastWithheld;
    QString m_lastWithheldAddress;
};
