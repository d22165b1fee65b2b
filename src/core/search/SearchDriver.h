#pragma once

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

class Browser;
class RunFlags;
class SearchWindow;
class Wakeup;

// The two harvesting runs of the search window: the batch search (one search per keyword line, each walked to
// its last result page) and the page walk (every result page of the search on screen), plus harvest once.
// Runs are coroutines on the window's thread: between their steps other events run, so a second click arrives
// while a run is active; the run flags decide what is allowed then, and a stop request is noticed at the run's
// next check.
class SearchDriver final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchDriver)
public:
    // The longest wait for a query page; after it the page is harvested in whatever state it reached.
    static constexpr std::chrono::milliseconds kQueryPageWait{30000};
    // How long, during a wait, the browser may show an ordinary page (neither a result page nor the service's
    // complaint) before the window is told: a verification's way back to the results takes a few seconds.
    static constexpr std::chrono::milliseconds kOrdinaryPageWait{30000};

    SearchDriver(Browser &browser, RunFlags &flags, SearchWindow &window, QObject *parent = nullptr);

    // Whether the batch button / page-walk button currently shows its stop caption.
    bool batchRunning() const { return m_batchRunning; }
    bool walkRunning() const { return m_walkRunning; }

    // The batch button: starts a batch, or asks the running one (and its page walk) to stop.
    QCoro::Task<> clickBatch();
    // The page-walk button: starts a walk, or asks the running one to stop.
    QCoro::Task<> clickWalk();
    // Harvest once: asks for the save target, then harvests the page on screen.
    QCoro::Task<> harvestOnce();

    // Navigates to `address` and, inside a batch, waits until the top-level document completed, the browser is
    // no longer busy, kQueryPageWait passed or the batch was asked to stop. Outside a batch it returns at once.
    QCoro::Task<> 打开百度搜索网页(QString address);

    // The keyword box's text split into lines (CR LF, LF or CR).
    static QStringList keywordLines(const QString &text);
    // What the box holds while line `current` is searched: every later non-blank line, trimmed, each preceded by
    // a line break, so the box starts with an empty line and is empty after the last keyword.
    static QString remainingKeywords(const QStringList &lines, int current);

Q_SIGNALS:
    void batchFinished();
    void walkFinished();
    // Where the page walk is: the keyword the batch searches (empty for a walk the user started on a page of their
    // own) and the result page it reads, counted from 1 at the page the walk started on; page 0 when it ended.
    void walkPosition(const QString &keyword, int page);

private:
    // Whether the page on screen is one the walk can read. A 429 or 503 is asked again after the server's delay
    // (RetryRule). Otherwise the window is told; the run then ends (false) or waits until a result page shows
    // (true, after the chosen pause), or until `stopped` becomes true (false).
    // A query page still loading after its wait counts as a service that cannot be reached.
    QCoro::Task<bool> serviceUsable(bool (SearchDriver::*stopped)() const, bool queryPage);
    // Waits `delay`, then loads `address` again and waits for it. Returns early (true) when `completions` moves
    // on from `seen` (a page the user loaded), false when `stop` says so. `wake` wakes on completions, loads and
    // the flags.
    QCoro::Task<bool> retryAfter(std::chrono::milliseconds delay, QString address, Wakeup &wake, const int &completions,
                                 int seen, std::function<bool()> stop);
    bool batchStopped() const;
    bool walkStopped() const;

    Browser &m_browser;
    RunFlags &m_flags;
    SearchWindow &m_window;
    bool m_batchRunning = false;
    bool m_walkRunning = false;
    // The keyword the batch is searching; empty for a walk the user started on a page of their own.
    QString m_keyword;
};
