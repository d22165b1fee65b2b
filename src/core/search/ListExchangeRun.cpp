#include "core/search/ListExchangeRun.h"

#include "core/net/LifetimeGuard.h"
#include "core/search/ResultListModel.h"
#include "core/search/SearchTexts.h"
#include "core/util/Prompt.h"

#include <QCoroTimer>
#include <QFileInfo>
#include <QPointer>
#include <climits>

namespace {
// The most rows an import makes room for ahead. The record count is the table's largest id, which a file written
// elsewhere may push far beyond its real size; room that is never filled is only address space.
constexpr qint64 kMostReserved = 1'000'000;

// Lets the event loop run (paint, input, timers) between two batches.
QCoro::Task<> handBack()
{
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
}
} // namespace

// Clears the running flag and tells the listeners on every way out of a command, unless the run is gone.
struct ListExchangeRun::RunScope {
    QPointer<ListExchangeRun> run;
    explicit RunScope(ListExchangeRun *r) : run(r) { r->m_running = true; }
    ~RunScope()
    {
        if (!run)
            return;
        run->m_running = false;
        Q_EMIT run->finished();
    }
    RunScope(const RunScope &) = delete;
    RunScope &operator=(const RunScope &) = delete;
};

int AddListRecords(ResultListModel &rows, QList<ListRecord> records)
{
    QList<ResultRow> added;
    added.reserve(records.size());
    for (ListRecord &r : records)
        added.append({std::move(r.key), std::move(r.title), std::move(r.status), std::move(r.type), std::move(r.folder),
                      QString(), std::move(r.citation)});
    return rows.addRows(std::move(added));
}

ListExchangeRun::ListExchangeRun(ResultListModel &rows, ListExchangeView &view, QObject *parent)
    : QObject(parent), m_rows(rows), m_view(view)
{}

QCoro::Task<bool> ListExchangeRun::exportRows(QString path, ListExportSet set)
{
    const int n = m_rows.rowCount();
    if (n == 0 || m_running)
        co_return false;
    const RunScope scope(this);
    QList<ListRecord> records;
    records.reserve(n);
    for (int i = 0; i < n; ++i) {
        const ResultRow &row = m_rows.row(i);
        if (set == ListExportSet::All || IsFailedOrUnanalysed(row.status))
            records.append(ToListRecord(row));
    }

    m_view.showProgress(set == ListExportSet::All ? SearchTexts::kExportingAll : SearchTexts::kExportingFailed);
    m_view.setProgress(0, n + 1);
    const auto self = lifetimeGuard(this);
    QString error;
    ListFileWriter writer;
    bool ok = writer.begin(path, &error);
    for (qsizetype i = 0; ok && i < records.size(); ++i) {
        ok = writer.append(records.at(i), &error);
        if (ok && (i + 1) % kBatch == 0) {
            m_view.setProgress(int(i + 1), n + 1);
            co_await handBack();
            if (!self)
                co_return false;
        }
    }
    ok = ok && writer.finish(&error);
    m_view.setProgress(n, n + 1);
    m_view.hideProgress();
    if (!ok) {
        Prompt::current().message(SearchTexts::kExportFailed.arg(error), Prompt::Icon::Critical);
        co_return false;
    }
    Prompt::current().message(ExportFinishedText(QFileInfo(path).size()), Prompt::Icon::Information);
    co_return true;
}

QCoro::Task<int> ListExchangeRun::importFile(QString path)
{
    if (m_running)
        co_return -1;
    const RunScope scope(this);
    m_view.showProgress(SearchTexts::kImporting);
    QString error;
    ListFileReader reader;
    if (!reader.open(path, &error)) {
        m_view.hideProgress();
        Prompt::current().message(SearchTexts::kImportFailed.arg(error, QStringLiteral("0")), Prompt::Icon::Critical);
        co_return -1;
    }
    const int maximum = int(std::min<qint64>(reader.recordCount(), INT_MAX - 1)) + 1;
    m_view.setProgress(0, maximum);
    m_view.setListEnabled(false);
    m_rows.reserve(int(std::min(reader.recordCount(), kMostReserved)));
    const auto self = lifetimeGuard(this);
    int count = 0;
    bool atEnd = false;
    bool ok = true;
    while (ok && !atEnd) {
        QList<ListRecord> batch;
        ok = reader.read(kBatch, batch, atEnd, &error);
        count += AddListRecords(m_rows, std::move(batch));
        m_view.setProgress(count, maximum);
        if (!atEnd && ok) {
            co_await handBack();
            if (!self)
                co_return count;
        }
    }
    m_view.setListEnabled(true);
    m_view.rowsAdded();
    m_view.hideProgress();
    if (!ok)
        Prompt::current().message(SearchTexts::kImportFailed.arg(error, QString::number(count)),
                                  Prompt::Icon::Critical);
    else
        Prompt::current().message(SearchTexts::kImportFinished + QString::number(count) +
                                      SearchTexts::kImportFinishedUnit,
                                  Prompt::Icon::Information);
    co_return count;
}
