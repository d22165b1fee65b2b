#pragma once

#include "core/search/ListExchange.h"

#include <QCoroTask>
#include <QObject>

class ResultListModel;

// What an export or import shows while it runs: the window's progress panel and list. The base shows nothing,
// for runs without a window.
class ListExchangeView
{
public:
    virtual ~ListExchangeView() = default;
    // The progress panel in front with `caption`, without its stop button: an export or import cannot be stopped.
    virtual void showProgress(const QString &) {}
    virtual void setProgress(int /*value*/, int /*maximum*/) {}
    virtual void hideProgress() {}
    // The list is disabled while an import fills it.
    virtual void setListEnabled(bool) {}
    // Rows were added: the row count and the column widths follow.
    virtual void rowsAdded() {}
};

enum class ListExportSet { All, FailedOrUnanalysed };

// Appends list records as result rows (no source page), skipping keys already in the list; how many were added.
int AddListRecords(ResultListModel &rows, QList<ListRecord> records);

// The list exchange commands of the main window: export of the whole list or of its failed and unanalysed rows to
// a list exchange file, and import of such a file. Both work in batches of kBatch records and hand control back to
// the event loop between them, so a list of 100 000 rows keeps the window responsive and its progress moving; the
// export writes from a copy of the rows taken when it starts, so whatever the list does meanwhile, the file holds
// the list as it was asked for. One command at a time.
class ListExchangeRun final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListExchangeRun)
public:
    static constexpr int kBatch = 1000;

    ListExchangeRun(ResultListModel &rows, ListExchangeView &view, QObject *parent = nullptr);

    bool isRunning() const { return m_running; }

    // Writes the chosen rows to `path` (replacing a file of that name once the new one is complete) and reports
    // the file's size, or the reason it failed. Nothing happens for an empty list. True when a file was written.
    QCoro::Task<bool> exportRows(QString path, ListExportSet set);
    // Appends the file's records as rows and reports how many were added, or why the file could not be read (the
    // rows read before a damaged part stay). The number of rows added, -1 when the file could not be opened.
    QCoro::Task<int> importFile(QString path);

Q_SIGNALS:
    void finished();

private:
    struct RunScope;

    ResultListModel &m_rows;
    ListExchangeView &m_view;
    bool m_running = false;
};
