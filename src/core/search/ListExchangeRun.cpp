#include "core/search/ListExchangeRun.h"

#include "core/net/LifetimeGuard.h"
#include "core/search/ResultListModel.h"
#include "core/search/SearchTexts.h"

#include <QCoroTimer>
#include <QFileInfo>
#include <QPointer>
#include <climits>

namespace {
// The most rows an import makes room for ahead. The record count is the table's largest id, which a file written
// elsewhere may push far beyond its real size; room that is never filled is only address space.
constexpr qint64 kMostReserved = 1'000'000;

// Lets the event loop run (paint, input, timers, the stop button) between two batches.
QCoro::Task<> handBack()
{
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
}

using Result = ListExchangeOutcome::Result;

ListExchangeOutcome ended(Result result)
{
    ListExchangeOutcome outcome;
    outcome.result = result;
    return outcome;
}
} // namespace

// Clears the running flag and tells the listeners on every way out of a command, unless the run is gone.
struct ListExchangeRun::RunScope {
    QPointer<ListExchangeRun> run;
    explicit RunScope(ListExchangeRun *r) : run(r)
    {
        r->m_running = true;
        r->m_cancelled = false;
    }
    ~RunScope()
    {
        if (!run)
            return;
        run->m_running = false;
        run->m_reader = nullptr;
        Q_EMIT run->finished();
    }
    RunScope(const RunScope &) = delete;
    RunScope &operator=(const RunScope &) = delete;
};

int AddListRecords(ResultListModel &rows, QList<ListRecord> records)
{
    return rows.addRows(
        records.size(), [&](qsizetype i) -> const QString & { return records.at(i).key; },
        [&](qsizetype i) {
            ListRecord &r = records[i];
            return ResultRow{std::move(r.key),    std::move(r.title), std::move(r.status),  std::move(r.type),
                             std::move(r.folder), QString(),          std::move(r.citation)};
        });
}

ListExchangeRun::ListExchangeRun(ResultListModel &rows, ListExchangeView &view, QObject *parent)
    : QObject(parent), m_rows(rows), m_view(view)
{}

void ListExchangeRun::cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    if (m_reader)
        m_reader->cancel();
}

QCoro::Task<ListExchangeOutcome> ListExchangeRun::exportTo(QString path, ListFormat format, ListExportSet set)
{
    const int n = m_rows.rowCount();
    if (n == 0 || m_running)
        co_return ended(Result::NothingToDo);
    const RunScope scope(this);
    const auto self = lifetimeGuard(this);
    QList<ResultRow> rows;
    rows.reserve(n);
    for (int i = 0; i < n; ++i) {
        const ResultRow &row = m_rows.row(i);
        if (set == ListExportSet::All || IsFailedOrUnanalysed(row.status))
            rows.append(row);
    }
    if (rows.isEmpty()) {
        m_view.report(SearchTexts::kNothingToExport, Prompt::Icon::Information);
        co_return ended(Result::NothingToDo);
    }

    m_view.showProgress(set == ListExportSet::All ? SearchTexts::kExportingAll : SearchTexts::kExportingFailed);
    m_view.setProgress(0, n + 1);
    const ListExchangeOutcome outcome = co_await writeFile(path, format, std::move(rows), n + 1);
    if (!self)
        co_return outcome;
    m_view.hideProgress();
    reportExport(outcome);
    co_return outcome;
}

QCoro::Task<ListExchangeOutcome> ListExchangeRun::writeFile(QString path, ListFormat format, QList<ResultRow> rows,
                                                            int maximum)
{
    const auto self = lifetimeGuard(this);
    ListExchangeOutcome outcome;
    const bool listFile = format == ListFormat::ListFile;
    ListFileWriter listWriter;
    ReferenceFileWriter referenceWriter(format);
    bool ok = listFile ? listWriter.begin(path, &outcome.error) : referenceWriter.begin(path, &outcome.error);
    for (qsizetype i = 0; ok && i < rows.size(); ++i) {
        ok = listFile ? listWriter.append(ToListRecord(rows.at(i)), &outcome.error)
                      : referenceWriter.append(rows.at(i), &outcome.error);
        if (ok && (i + 1) % kBatch == 0) {
            m_view.setProgress(int(i + 1), maximum);
            co_await handBack();
            if (!self || m_cancelled)
                co_return ended(Result::Stopped);
        }
    }
    ok = ok && (listFile ? listWriter.finish(&outcome.error) : referenceWriter.finish(&outcome.error));
    outcome.longAddresses = listWriter.skippedLongKeys();
    outcome.rows = int(rows.size()) - outcome.longAddresses;
    outcome.result = ok ? Result::Done : Result::Failed;
    if (ok)
        outcome.bytes = QFileInfo(path).size();
    co_return outcome;
}

void ListExchangeRun::reportExport(const ListExchangeOutcome &outcome)
{
    switch (outcome.result) {
    case Result::Done: {
        QString text = ExportFinishedText(outcome.bytes);
        if (outcome.longAddresses > 0)
            text += SearchTexts::kLongAddressesNotExported.arg(outcome.longAddresses);
        m_view.report(text, outcome.longAddresses > 0 ? Prompt::Icon::Warning : Prompt::Icon::Information);
        break;
    }
    case Result::Stopped:
        m_view.report(SearchTexts::kExportStopped, Prompt::Icon::Information);
        break;
    case Result::Failed:
        m_view.report(SearchTexts::kExportFailed.arg(outcome.error), Prompt::Icon::Critical);
        break;
    case Result::NothingToDo:
        break;
    }
}

QCoro::Task<bool> ListExchangeRun::exportRows(QString path, ListExportSet set)
{
    const ListExchangeOutcome outcome = co_await exportTo(std::move(path), ListFormat::ListFile, set);
    co_return outcome.result == Result::Done;
}

QCoro::Task<ListExchangeOutcome> ListExchangeRun::importList(QString path)
{
    if (m_running)
        co_return ListExchangeOutcome{Result::Failed, 0, 0, 0, QStringLiteral("another command is running")};
    const RunScope scope(this);
    m_view.showProgress(SearchTexts::kImporting);
    ListExchangeOutcome outcome;
    ListFileReader reader;
    if (!reader.open(path, &outcome.error)) {
        m_view.hideProgress();
        m_view.report(SearchTexts::kImportFailed.arg(outcome.error, QStringLiteral("0")), Prompt::Icon::Critical);
        outcome.rows = -1;
        co_return outcome;
    }
    m_reader = &reader;
    const int maximum = int(std::min<qint64>(reader.recordCount(), INT_MAX - 1)) + 1;
    m_view.setProgress(0, maximum);
    m_view.setListEnabled(false);
    m_rows.reserve(int(std::min(reader.recordCount(), kMostReserved)));
    const auto self = lifetimeGuard(this);
    bool atEnd = false;
    bool ok = true;
    while (ok && !atEnd && !m_cancelled) {
        QList<ListRecord> batch;
        ok = reader.read(kBatch, batch, atEnd, &outcome.error);
        outcome.rows += AddListRecords(m_rows, std::move(batch));
        m_view.setProgress(outcome.rows, maximum);
        if (!atEnd && ok) {
            co_await handBack();
            if (!self) {
                outcome.result = Result::Stopped;
                co_return outcome;
            }
        }
    }
    m_reader = nullptr;
    outcome.longAddresses = reader.skippedLongKeys();
    outcome.result = m_cancelled ? Result::Stopped : ok ? Result::Done : Result::Failed;
    m_view.setListEnabled(true);
    m_view.rowsAdded();
    m_view.hideProgress();
    const QString longOnes =
        outcome.longAddresses > 0 ? SearchTexts::kLongAddressesNotImported.arg(outcome.longAddresses) : QString();
    switch (outcome.result) {
    case Result::Stopped:
        m_view.report(SearchTexts::kImportStopped.arg(outcome.rows) + longOnes, Prompt::Icon::Information);
        break;
    case Result::Failed:
        m_view.report(SearchTexts::kImportFailed.arg(outcome.error, QString::number(outcome.rows)) + longOnes,
                      Prompt::Icon::Critical);
        break;
    default:
        m_view.report(SearchTexts::kImportFinished + QString::number(outcome.rows) + SearchTexts::kImportFinishedUnit +
                          longOnes,
                      outcome.longAddresses > 0 ? Prompt::Icon::Warning : Prompt::Icon::Information);
        break;
    }
    co_return outcome;
}

QCoro::Task<int> ListExchangeRun::importFile(QString path)
{
    const ListExchangeOutcome outcome = co_await importList(std::move(path));
    co_return outcome.rows;
}
