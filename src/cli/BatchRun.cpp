#include "cli/BatchRun.h"

#include "cli/BatchAnalysisView.h"
#include "cli/BatchPdfCheck.h"
#include "cli/BatchProgress.h"
#include "cli/BatchSearchWindow.h"
#include "core/analysis/AnalysisDriver.h"
#include "core/analysis/ProxyRotation.h"
#include "core/download/BodyFile.h"
#include "core/download/DownloadScheduler.h"
#include "core/download/engines/InstallEngines.h"
#include "core/net/LifetimeGuard.h"
#include "core/net/RetryRule.h"
#include "core/net/SignalWait.h"
#include "core/run/Pauses.h"
#include "core/run/RunFlags.h"
#include "core/run/Wakeup.h"
#include "core/search/AddressList.h"
#include "core/search/ExportTarget.h"
#include "core/search/ListExchange.h"
#include "core/search/ListExchangeRun.h"
#include "core/search/ResultListModel.h"
#include "core/search/SaveTarget.h"
#include "core/search/SearchDriver.h"
#include "core/search/SearchTexts.h"
#include "core/store/Settings.h"
#include "core/store/VisitedDatabase.h"
#include "core/util/Clock.h"
#include "core/util/Deployment.h"
#include "core/util/FileNameRules.h"
#include "core/util/FileOrigin.h"
#include "core/util/TextFile.h"
#include "web/PageScripts.h"
#include "web/WebEngineBrowser.h"

#include <QCoroTimer>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {
// The pauses wait the delay of the command line (or the main window's stored one).
class FixedDelayPacing final : public RunFlagsPacing
{
public:
    FixedDelayPacing(int seconds, RunFlags &flags) : RunFlagsPacing(flags), m_seconds(seconds) {}
    QString delayText() const override { return QString::number(m_seconds); }

private:
    int m_seconds;
};

QString absoluteFolder(const QString &folder)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(folder));
}

qint64 receivedBytes(const DownloadListModel &list)
{
    qint64 total = 0;
    for (int row = 0; row < list.size(); ++row)
        total += list.item(row).downloaded.toLongLong();
    return total;
}

// What the rows still to finish will bring: their announced sizes less what arrived, and for rows not started
// yet the average size of the files whose size is known; -1 while no size is known at all.
qint64 remainingBytes(const DownloadListModel &list)
{
    qint64 knownTotal = 0;
    int knownCount = 0;
    qint64 remaining = 0;
    int unknownCount = 0;
    for (int row = 0; row < list.size(); ++row) {
        const DownloadItem &item = list.item(row);
        const qint64 size = item.size.toLongLong();
        if (size > 0) {
            knownTotal += size;
            ++knownCount;
        }
        if (OutcomeOf(item) != FileOutcome::Unfinished)
            continue;
        if (size > 0)
            remaining += std::max<qint64>(0, size - item.downloaded.toLongLong());
        else
            ++unknownCount;
    }
    if (unknownCount > 0 && knownCount == 0)
        return -1;
    return remaining + (unknownCount > 0 ? unknownCount * (knownTotal / knownCount) : 0);
}
} // namespace

BatchRun::BatchRun(const BatchOptions &options, BatchProgress &progress, QObject *parent)
    : QObject(parent), m_options(options), m_progress(progress), m_flags(std::make_unique<RunFlags>()),
      m_analysisFlags(std::make_unique<RunFlags>()), m_results(new ResultListModel(this))
{}

BatchRun::~BatchRun() = default;

QCoro::Task<int> BatchRun::run()
{
    reportSettingsFile();
    const QString wanted = absoluteFolder(m_options.saveFolder.value_or(StoredDownloadFolder()));
    QString reason;
    const QString folder = CreateFolderPath(wanted, &reason);
    if (folder.isEmpty()) {
        m_progress.error(
            QStringLiteral("cannot create the save folder %1: %2").arg(QDir::toNativeSeparators(wanted), reason));
        co_return kFatal;
    }
    // Checked before the search: the whole run must not end in a refusal to write its list.
    if (!exportTargetUsable())
        co_return kBadArguments;
    CurrentSaveTarget() = SaveTarget{folder, m_options.nameFromAddress, false};
    // Bodies a killed run left in the folder go now, also when this run downloads nothing into it; those a row can
    // still resume wait for it a while.
    BodyFile::RemoveLeftovers(folder);
    if (!co_await importLists())
        co_return m_interrupted ? kInterrupted : kFatal;

    QString error;
    if (!OpenVisitedDatabase(&error)) {
        // Asked to skip visited addresses, a run without the database would analyse and save everything again.
        if (m_options.skipVisited) {
            m_progress.error(QStringLiteral("the visited-address database cannot be used: %1").arg(error));
            co_return kFatal;
        }
        m_progress.error(QStringLiteral("the visited-address database is not used: %1").arg(error));
    }

    // The download list exists from the first hand-over on, whether or not the files are fetched.
    m_scheduler = new DownloadScheduler(this);
    if (!m_options.noDownload)
        beginDownloads();
    // The analysis takes each page's rows while the walk goes on to the next page, as the windows' automatic
    // analysis does beside a page walk. Both tasks start here; the search first, so the browser starts at once.
    m_searching = !m_options.keywords.isEmpty();
    QCoro::Task<> searching = search();
    co_await analyse();
    co_await searching;
    // A service that stopped answering ends the road where it stands, in the analysis as in the search.
    if (!m_interrupted && !m_serviceUnusable && m_downloadsRan)
        co_await download();
    // The export comes last: the rows carry what their saved PDFs told (DOI, pages) only once those are checked.
    takePdfFacts();
    bool exported = true;
    if (!m_options.exportFile.isEmpty())
        exported = co_await exportList();

    m_dataWritesFailed = VisitedWriteFailures() + settingsWriteFailures();
    CloseVisitedDatabase();
    m_progress.clearBar();
    if (m_interrupted)
        co_return kInterrupted;
    if (!exported)
        co_return kFatal;
    if (m_serviceUnusable)
        co_return kServiceUnusable;
    co_return summary().anyFailed() ? kSomeFailed : kCompleted;
}

void BatchRun::reportSettingsFile()
{
    // The store lives as long as the process: only this run's failures are this run's.
    m_settingsFailuresBefore = SettingsWriteFailures(ApplicationTitle());
    for (const SettingsFileProblem &problem : SettingsFileProblems(ApplicationTitle()))
        m_progress.error(QStringLiteral("settings file %1, line %2: %3; the line is passed over (its key reads as its "
                                        "default) and the file is left as it is until it is mended")
                             .arg(QDir::toNativeSeparators(SettingsFilePath(ApplicationTitle())))
                             .arg(problem.line)
                             .arg(problem.reason));
}

int BatchRun::settingsWriteFailures()
{
    const int failed = SettingsWriteFailures(ApplicationTitle()) - m_settingsFailuresBefore;
    if (failed > 0)
        m_progress.error(QStringLiteral("the settings file %1 could not be written (%2 values)")
                             .arg(QDir::toNativeSeparators(SettingsFilePath(ApplicationTitle())))
                             .arg(failed));
    return failed;
}

void BatchRun::interrupt()
{
    m_interrupted = true;
    stopSearch();
    stopAnalysisAndDownloads();
    if (m_exchange)
        m_exchange->cancel();
    if (m_importing)
        m_importing->cancel();
}

void BatchRun::stopAnalysisAndDownloads()
{
    m_analysisFlags->setAnalysisIdle(true);
    if (m_scheduler)
        m_scheduler->StopAllDownloads();
}

void BatchRun::stopSearch()
{
    m_flags->setBatchIdle(true);
    m_flags->setCollectIdle(true);
}

QCoro::Task<bool> BatchRun::importLists()
{
    for (const QString &path : std::as_const(m_options.importFiles)) {
        // A list file is a database protected by the program's password; anything else is read as plain text.
        const bool listFile =
            QFileInfo(path).suffix().compare(QLatin1String("zxul"), Qt::CaseInsensitive) == 0 || IsListFile(path);
        if (!(listFile ? co_await importListFile(path) : importAddressList(path)) || m_interrupted)
            co_return false;
    }
    co_return true;
}

QCoro::Task<bool> BatchRun::importListFile(QString path)
{
    ListFileReader reader;
    QString error;
    if (!reader.open(path, &error)) {
        m_progress.error(QStringLiteral("--import: cannot read the list file %1: %2").arg(path, error));
        co_return false;
    }
    // Read in batches with the event loop running between them, so Ctrl-C ends even a huge file at once.
    m_importing = &reader;
    const auto self = lifetimeGuard(this);
    qsizetype read = 0;
    int added = 0;
    bool atEnd = false;
    while (!atEnd && !m_interrupted) {
        QList<ListRecord> records;
        if (!reader.read(ListExchangeRun::kBatch, records, atEnd, &error)) {
            m_importing = nullptr;
            if (!m_interrupted)
                m_progress.error(QStringLiteral("--import: cannot read the list file %1: %2").arg(path, error));
            co_return false;
        }
        // A row saved without a folder goes where this run saves.
        for (ListRecord &r : records)
            if (r.folder.isEmpty())
                r.folder = CurrentSaveTarget().SaveFolder;
        read += records.size();
        added += AddListRecords(*m_results, std::move(records));
        if (!atEnd) {
            co_await QCoro::sleepFor(std::chrono::milliseconds(0));
            if (!self)
                co_return false;
        }
    }
    m_importing = nullptr;
    if (m_interrupted)
        co_return false;
    if (reader.skippedLongKeys() > 0)
        m_progress.error(QStringLiteral("--import: %1 rows of %2 not imported: their address is longer than 500 "
                                        "characters")
                             .arg(reader.skippedLongKeys())
                             .arg(path));
    m_progress.line(
        QStringLiteral("imported %1 rows from %2 (%3 already in the list)").arg(added).arg(path).arg(read - added));
    co_return true;
}

bool BatchRun::importAddressList(const QString &path)
{
    const std::optional<QString> text = TextFile::readText(path);
    if (!text) {
        m_progress.error(QStringLiteral("--import: cannot read %1").arg(path));
        return false;
    }
    const QStringList addresses = QualifyingAddresses(*text, Deployment::documentPrefix());
    const int before = m_results->rowCount();
    AddAddressRows(*m_results, addresses, CurrentSaveTarget().SaveFolder);
    m_progress.line(QStringLiteral("imported %1 rows from %2 (%3 document addresses)")
                        .arg(m_results->rowCount() - before)
                        .arg(path)
                        .arg(addresses.size()));
    return true;
}

QCoro::Task<> BatchRun::search()
{
    if (!m_searching)
        co_return;
    WebEngineBrowser browser;
    // A page waiting for an answer to its own dialog or window would stop the walk.
    browser.setFrameScripts({PageScripts::dialogSuppression()});
    browser.setSilent(true);
    FixedDelayPacing pacing(m_options.delaySeconds.value_or(StoredPacingDelay()), *m_flags);
    BatchSearchWindow window(browser, *m_results, *m_flags, pacing, m_progress);
    window.setKeywords(m_options.keywords, m_options.typeIndex, m_options.yearIndex);
    SearchDriver driver(browser, *m_flags, window);
    co_await driver.clickBatch();
    window.finish();
    m_keywordsFailed = window.keywordsFailed();
    m_searching = false;
    if (!window.serviceProblem().isEmpty()) {
        // Rows of the pages before stay in the list as they are; nothing more is asked of the service.
        m_serviceUnusable = true;
        stopAnalysisAndDownloads();
    }
    Q_EMIT searchEnded();
}

QCoro::Task<> BatchRun::analyse()
{
    ProxyRotation proxies;
    proxies.load();
    FixedDelayPacing pacing(m_options.delaySeconds.value_or(StoredPacingDelay()), *m_analysisFlags);
    BatchAnalysisView view(
        {m_options.skipExisting, m_options.skipVisited, m_options.nameFromAddress, CurrentSaveTarget().SaveFolder},
        m_scheduler->list(), m_fileTitles, m_fileRows);
    AnalysisDriver analysis(*m_results, *m_analysisFlags, proxies, view, pacing);
    int analysed = 0;
    connect(&analysis, &AnalysisDriver::rowAnalysed, this, [&](int row, const QString &status) {
        ++analysed;
        const ResultRow &analysedRow = m_results->row(row);
        view.attributeHandOvers(analysedRow);
        // Out of the rows the list holds so far: the search may still be adding to them.
        const int total = m_results->rowCount();
        QString text = QStringLiteral("analysed %1/%2 %3: %4").arg(analysed).arg(total).arg(status, analysedRow.title);
        // A row that ends after the run stopped found its link, but no download follows any more.
        if ((m_serviceUnusable || m_interrupted) && status.startsWith(SearchTexts::成功))
            text += QStringLiteral(" (link found; not downloaded: the run has stopped)");
        // A failed row is an error, written also when quiet, with the address to try again.
        if (StatusGroup(status) == SearchTexts::失败)
            m_progress.error(text + QStringLiteral(" (%1)").arg(analysedRow.key));
        else
            m_progress.line(text);
        m_progress.bar(QStringLiteral("analysis"), analysed, total);
    });
    connect(&analysis, &AnalysisDriver::retryWaiting, this,
            [this](const QString &address, std::chrono::milliseconds delay, int retry) {
                m_progress.line(QStringLiteral("the service turned %1 away; retry %2 of %3 in %4 s")
                                    .arg(address)
                                    .arg(retry)
                                    .arg(RetryRule::kMaxRetries)
                                    .arg(std::chrono::duration_cast<std::chrono::seconds>(delay).count()));
            });
    connect(&analysis, &AnalysisDriver::serviceUnusable, this,
            [this](const ServicePageVerdict &verdict, const QString &address) {
                m_serviceUnusable = true;
                stopSearch();
                m_scheduler->StopAllDownloads();
                m_progress.error(
                    QStringLiteral("%1 for %2 rows in a row, last at %3; the search and the analysis end here")
                        .arg(ServiceProblemWhat(verdict))
                        .arg(AnalysisDriver::kServiceRefusalsToStop)
                        .arg(address));
            });
    // A run takes the rows the list holds when it starts; the rows of later pages wait for the next run. An analysis
    // waiting for rows is stopped by the end of the search, which every stop of the run brings about.
    Wakeup more;
    more.watch(m_results, &QAbstractItemModel::rowsInserted);
    more.watch(this, &BatchRun::searchEnded);
    int runFrom = 0; // rows before this one were in the list when the last run started
    while (!m_interrupted && !m_serviceUnusable) {
        const int rows = m_results->rowCount();
        if (rows > runFrom) {
            runFrom = rows;
            co_await analysis.run(AnalysisSet::Unanalysed);
        } else if (!m_searching) {
            break;
        } else {
            co_await more.wait(std::chrono::milliseconds(-1));
        }
    }
    m_analysisRetries = analysis.retries();
    proxies.store();
}

ListFormat BatchRun::exportFormat() const
{
    return m_options.exportFormat.value_or(ListFormatOfPath(m_options.exportFile));
}

bool BatchRun::exportTargetUsable()
{
    const QString &path = m_options.exportFile;
    if (path.isEmpty())
        return true;
    const ExportTargetCheck check = CheckExportTarget(path, exportFormat());
    if (check.usable() || (check.foreignFile && m_options.overwriteExport))
        return true;
    m_progress.error(QStringLiteral("--export: %1%2")
                         .arg(check.problem, check.foreignFile
                                                 ? QStringLiteral("; it is left as it is (--overwrite replaces it)")
                                                 : QString()));
    return false;
}

namespace {
// The batch says how an export went in lines of its own.
class QuietExchangeView final : public ListExchangeView
{
    void report(const QString &, Prompt::Icon) override {}
};
} // namespace

QCoro::Task<bool> BatchRun::exportList()
{
    const QString &path = m_options.exportFile;
    if (m_results->rowCount() == 0) {
        m_progress.line(QStringLiteral("no rows to export; %1 is left as it was").arg(QDir::toNativeSeparators(path)));
        co_return true;
    }
    QuietExchangeView view;
    ListExchangeRun run(*m_results, view);
    m_exchange = &run;
    const auto self = lifetimeGuard(this);
    const ListExchangeOutcome outcome = co_await run.exportTo(path, exportFormat(), ListExportSet::All);
    if (!self)
        co_return false;
    m_exchange = nullptr;
    switch (outcome.result) {
    case ListExchangeOutcome::Result::Done:
        if (outcome.longAddresses > 0)
            m_progress.error(
                QStringLiteral("%1 rows not exported: their address is longer than 500 characters, which a list "
                               "file cannot hold")
                    .arg(outcome.longAddresses));
        m_progress.line(QStringLiteral("exported %1 rows to %2").arg(outcome.rows).arg(path));
        co_return true;
    case ListExchangeOutcome::Result::Stopped:
        m_progress.error(QStringLiteral("export stopped; %1 is left as it was").arg(path));
        co_return false;
    case ListExchangeOutcome::Result::NothingToDo:
        co_return true;
    case ListExchangeOutcome::Result::Failed:
        break;
    }
    m_progress.error(QStringLiteral("export to %1 failed: %2").arg(path, outcome.error));
    co_return false;
}

void BatchRun::configureDownloads()
{
    DownloadScheduler &s = *m_scheduler;
    if (m_options.engine)
        s.setMode(*m_options.engine);
    s.setThreads(m_options.threads);
    if (m_options.sameNameChoice)
        s.setSameNameChoice(*m_options.sameNameChoice);
    if (m_options.maxSizeMb)
        DownloadSettings::program().maxFileSizeMb = *m_options.maxSizeMb;
    s.setPauseSeconds(0);
    s.setSoundEnabled(false);
    InstallEngines(s);
}

void BatchRun::beginDownloads()
{
    configureDownloads();
    m_downloadsRan = true;
    m_pdfCheck = new BatchPdfCheck(m_options.checkPdf, m_scheduler->list(), m_progress, this);
    m_pdfCheck->setSameNameChoice(m_scheduler->sameNameChoice());
    m_downloadsStarted = Clock::monotonicMs();
    m_meter.start(m_downloadsStarted);
    DownloadListModel &list = m_scheduler->list();
    // Queued: a finished row gets its corrected type and name in the same step that finishes it.
    connect(
        &list, &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex &from, const QModelIndex &to) { reportFinishedFiles(from.row(), to.row()); },
        Qt::QueuedConnection);
    // The files download while the analysis goes on: each link handed over starts as soon as a transfer is free.
    // A scheduler that stopped because the downloads had caught up with the analysis starts again.
    connect(&list, &QAbstractItemModel::rowsInserted, this, [this] {
        if (!m_interrupted && !m_serviceUnusable && !m_scheduler->isRunning())
            m_scheduler->StartDownloads();
    });
}

QCoro::Task<> BatchRun::download()
{
    DownloadListModel &list = m_scheduler->list();
    if (list.isEmpty())
        co_return;
    if (!list.isFinished() && !m_scheduler->isRunning())
        m_scheduler->StartDownloads();
    Wakeup wake;
    wake.watch(m_scheduler, &DownloadScheduler::supervised);
    wake.watch(m_scheduler, &DownloadScheduler::transferEnded);
    // The batch needs no supervision tick to tell it that the last transfer has ended.
    const auto settled = [this] {
        return !m_scheduler->downloadsActive() ||
               (m_scheduler->list().isFinished() && !m_scheduler->transfersRunning());
    };
    while (!settled() && !m_interrupted) {
        co_await wake.wait(std::chrono::milliseconds(-1));
        m_meter.setTransferring(Clock::monotonicMs(), m_scheduler->transfersRunning());
        // Once a second also while nothing arrives: the rate falls and the time left turns unknown.
        drawDownloadBar();
    }
    reportFinishedFiles(0, list.size() - 1);
    if (!m_interrupted)
        co_await m_pdfCheck->finish();
    // The average rate is over the time some transfer ran, not over the waits for the analysis between them.
    m_downloadMs = m_meter.transferMs(Clock::monotonicMs());
}

void BatchRun::takePdfFacts()
{
    if (!m_pdfCheck)
        return;
    const QHash<QString, PdfReport> &reports = m_pdfCheck->reports();
    for (auto it = reports.cbegin(); it != reports.cend(); ++it) {
        // Another paper's DOI is not the row's; a file that did not open told nothing.
        if (it->verdict != PdfVerdict::Ok)
            continue;
        const int row = m_results->rowOf(m_fileRows.value(it.key()));
        if (row >= 0)
            m_results->setPdfFacts(row, it->doi, it->pages);
    }
}

void BatchRun::reportFinishedFiles(int first, int last)
{
    m_meter.setTransferring(Clock::monotonicMs(), m_scheduler->transfersRunning());
    const DownloadListModel &list = m_scheduler->list();
    for (int row = std::max(0, first); row <= last && row < list.size(); ++row) {
        const DownloadItem &item = list.item(row);
        const FileOutcome outcome = OutcomeOf(item);
        if (outcome == FileOutcome::Unfinished || m_reportedFiles.contains(item.address))
            continue;
        m_reportedFiles.insert(item.address);
        const QString path = QDir::toNativeSeparators(ItemFilePath(item));
        switch (outcome) {
        case FileOutcome::Done:
            // The file says where it came from, so a later run knows it also when the visit was not recorded.
            SetFileOrigin(ItemFilePath(item), item.address);
            m_progress.line(QStringLiteral("file done: %1").arg(path));
            m_pdfCheck->fileDone(item, item.title.isEmpty() ? m_fileTitles.value(item.address) : item.title);
            break;
        case FileOutcome::Skipped:
            m_progress.line(QStringLiteral("file skipped (%1): %2").arg(EndReason(item), path));
            break;
        case FileOutcome::Failed:
            m_progress.error(
                QStringLiteral("file failed (%1): %2").arg(EndReason(item), FetchedAddress(item, m_scheduler->mode())));
            break;
        case FileOutcome::Unfinished:
            break;
        }
    }
    drawDownloadBar();
}

void BatchRun::drawDownloadBar()
{
    // Summing the list's bytes is for the bar alone; piped, it is not drawn.
    if (!m_progress.isLive())
        return;
    m_progress.bar(transferState());
}

BarState BatchRun::transferState()
{
    const DownloadListModel &list = m_scheduler->list();
    const qint64 now = Clock::monotonicMs();
    m_meter.sample(now, receivedBytes(list));
    return {QStringLiteral("downloads"),
            static_cast<int>(m_reportedFiles.size()),
            list.size(),
            HumanBytes(m_meter.received()),
            HumanRate(m_meter.rate()),
            ClockText(m_meter.elapsedMs(now) / 1000),
            ClockText(m_meter.secondsLeft(remainingBytes(list)))};
}

BatchSummary BatchRun::summary() const
{
    BatchSummary s = BatchSummary::of(m_results->rows(), m_downloadsRan ? &m_scheduler->list() : nullptr, m_fileTitles,
                                      m_scheduler ? m_scheduler->mode() : 2,
                                      m_pdfCheck ? m_pdfCheck->reports() : QHash<QString, PdfReport>());
    s.downloadMs = m_downloadMs;
    s.retries = m_analysisRetries + (m_scheduler ? m_scheduler->retries() : 0);
    s.keywordsFailed = m_keywordsFailed;
    s.dataWritesFailed = m_dataWritesFailed;
    return s;
}
