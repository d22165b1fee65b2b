#pragma once

#include "core/search/ListExchange.h"
#include "core/search/ReferenceExport.h"
#include "core/util/Prompt.h"

#include <QCoroTask>
#include <QObject>

class ResultListModel;

// What an export or import shows while it runs: the window's progress panel and list. The base shows nothing and
// reports through the current Prompt, for runs without a window.
class ListExchangeView
{
public:
    virtual ~ListExchangeView() = default;
    // The progress panel in front with `caption` and its stop button, which calls ListExchangeRun::cancel().
    virtual void showProgress(const QString &) {}
    virtual void setProgress(int /*value*/, int /*maximum*/) {}
    virtual void hideProgress() {}
    // The list is disabled while an import fills it.
    virtual void setListEnabled(bool) {}
    // Rows were added: the row count and the column widths follow.
    virtual void rowsAdded() {}
    // How the command ended, in the window's words.
    virtual void report(const QString &text, Prompt::Icon icon) { Prompt::current().message(text, icon); }
};

enum class ListExportSet { All, FailedOrUnanalysed };

// How an export or import ended.
struct ListExchangeOutcome {
    enum class Result {
        Done,
        // An export with no row to write: the file is left as it was.
        NothingToDo,
        // Stopped by cancel(): an export leaves the file as it was, an import keeps the rows added until then.
        Stopped,
        Failed,
    };
    Result result = Result::Failed;
    // Records written, or rows added (duplicates not counted).
    int rows = 0;
    // Rows left out because their address does not fit the list file's column.
    int longAddresses = 0;
    // The size of the file written.
    qint64 bytes = 0;
    QString error;
};

// Appends list records as result rows (no source page), skipping keys already in the list; how many were added.
int AddListRecords(ResultListModel &rows, QList<ListRecord> records);

// The list exchange commands of the windows and the batch: export of the whole list or of its failed and
// unanalysed rows, as a list exchange file or in a reference format, and import of a list exchange file. They work
// in batches of kBatch records and hand control back to the event loop between them, so a list of 100 000 rows
// keeps the window responsive, its progress moving and its stop button (cancel()) answered within a batch; the
// export writes from a copy of the rows taken when it starts, so whatever the list does meanwhile, the file holds
// the list as it was asked for, and it appears under its name only when complete. One command at a time.
class ListExchangeRun final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListExchangeRun)
public:
    static constexpr int kBatch = 1000;

    ListExchangeRun(ResultListModel &rows, ListExchangeView &view, QObject *parent = nullptr);

    bool isRunning() const { return m_running; }
    // Ends the command under way at its next batch.
    void cancel();

    // Writes the chosen rows to `path` in `format` (replacing a file of that name once the new one is complete)
    // and reports the file's size, or why nothing was written. Nothing happens for an empty list; a set without
    // rows leaves the file as it was and says so.
    QCoro::Task<ListExchangeOutcome> exportTo(QString path, ListFormat format, ListExportSet set);
    // The list exchange file export; true when a file was written.
    QCoro::Task<bool> exportRows(QString path, ListExportSet set);
    // Appends the file's records as rows and reports how many were added, or why the file could not be read (the
    // rows read before a damaged part, or before a stop, stay).
    QCoro::Task<ListExchangeOutcome> importList(QString path);
    // The number of rows added, -1 when the file could not be opened.
    QCoro::Task<int> importFile(QString path);

Q_SIGNALS:
    void finished();

private:
    struct RunScope;

    // Writes `rows` in batches, the progress out of `maximum`.
    QCoro::Task<ListExchangeOutcome> writeFile(QString path, ListFormat format, QList<ResultRow> rows, int maximum);
    void reportExport(const ListExchangeOutcome &outcome);

    ResultListModel &m_rows;
    ListExchangeView &m_view;
    bool m_running = false;
    bool m_cancelled = false;
    ListFileReader *m_reader = nullptr;
};
