#include "core/search/SearchDriver.h"

#include "core/net/Browser.h"
#include "core/net/RetryRule.h"
#include "core/run/Pauses.h"
#include "core/run/RunFlags.h"
#include "core/run/Wakeup.h"
#include "core/search/QueryAddress.h"
#include "core/search/SaveFolderQuestion.h"
#include "core/search/SearchTexts.h"
#include "core/search/SearchWindow.h"
#include "core/search/ServicePageCheck.h"
#include "core/util/Clock.h"
#include "core/util/Deployment.h"
#include "core/util/Prompt.h"

#include <QCoroTimer>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace {
// Lets the events that queued up during a step run before the next check, as the runs' "process pending
// messages" points do.
QCoro::Task<> pendingEvents()
{
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
}

} // namespace

SearchDriver::SearchDriver(Browser &browser, RunFlags &flags, SearchWindow &window, QObject *parent)
    : QObject(parent), m_browser(browser), m_flags(flags), m_window(window)
{
    // Only the top-level document's completion ends a waited-for load; inner frames are not reported.
    connect(&m_browser, &Browser::documentComplete, this, [this] { m_flags.setPageLoading(false); });
}

QStringList SearchDriver::keywordLines(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    return text.split(lineEnd);
}

QString SearchDriver::remainingKeywords(const QStringList &lines, int current)
{
    QString rest;
    for (int j = current + 1; j < lines.size(); ++j) {
        const QString line = lines.at(j).trimmed();
        if (!line.isEmpty())
            rest += QLatin1Char('\n') + line;
    }
    return rest;
}

QCoro::Task<> SearchDriver::打开百度搜索网页(QString address)
{
    const qint64 start = Clock::monotonicMs();
    m_flags.setPageLoading(true);
    m_browser.navigate(address);

    Wakeup wake;
    wake.watch(&m_browser, &Browser::busyChanged);
    wake.watch(&m_browser, &Browser::documentComplete);
    wake.watch(&m_flags, &RunFlags::changed);
    for (;;) {
        co_await pendingEvents();
        if (!m_browser.isBusy() || !m_flags.PageLoading())
            co_return;
        const qint64 remaining = start + kQueryPageWait.count() - Clock::monotonicMs();
        if (remaining <= 0 || m_flags.BatchIdle())
            co_return;
        co_await wake.wait(std::chrono::milliseconds(remaining));
    }
}

QCoro::Task<> SearchDriver::clickBatch()
{
    if (m_batchRunning) {
        // Both the batch and its current page walk stop at their next check.
        m_flags.setBatchIdle(true);
        m_flags.setCollectIdle(true);
        m_window.autoSizeListColumns();
        co_return;
    }
    if (!m_flags.allIdle()) {
        Prompt::current().message(SearchTexts::kBusyRefusal, Prompt::Icon::Critical);
        co_return;
    }
    m_batchRunning = true;
    m_window.showBatchRunning(true);
    m_flags.setBatchIdle(false);

    if (SaveFolderQuestion::enabled())
        m_window.askSaveTarget();

    const QStringList lines = keywordLines(m_window.keywordText());
    if (std::all_of(lines.begin(), lines.end(), [](const QString &line) { return line.trimmed().isEmpty(); }))
        Prompt::current().message(SearchTexts::kNoKeyword, Prompt::Icon::Warning);
    for (int i = 0; i < lines.size(); ++i) {
        co_await pendingEvents();
        if (m_flags.BatchIdle())
            break;
        const QString keyword = lines.at(i).trimmed();
        if (keyword.isEmpty())
            continue;
        // The keyword leaves the box now, also when the batch is stopped while it runs.
        m_window.setKeywordText(remainingKeywords(lines, i));

        m_keyword = keyword;
        co_await 打开百度搜索网页(QueryAddress(keyword, m_window.typeIndex(), m_window.yearIndex()));
        // A stop requested while the query page loaded ends the batch here: walking the page now would ignore it
        // (and, with the batch flag already idle, even ask for the save target again).
        if (m_flags.BatchIdle())
            break;
        // A page the batch cannot use ends it, unless the refusal was this keyword's alone: then the next one comes.
        if (co_await serviceUsable(&SearchDriver::batchStopped, true))
            co_await clickWalk(); // exactly as a click on the page-walk button (which may refuse, or stop a walk)
        else if (m_flags.BatchIdle())
            break;

        co_await pendingEvents();
        co_await 打开百度搜索网页(QStringLiteral("about:blank"));
        if (m_flags.BatchIdle())
            break;
    }

    m_keyword.clear();
    m_batchRunning = false;
    m_window.showBatchRunning(false);
    m_flags.setBatchIdle(true);
    m_window.autoSizeListColumns();
    Q_EMIT batchFinished();
}

QCoro::Task<> SearchDriver::clickWalk()
{
    if (m_walkRunning) {
        m_flags.setCollectIdle(true);
        m_window.autoSizeListColumns();
        co_return;
    }
    if (!m_flags.AnalysisIdle()) {
        Prompt::current().message(SearchTexts::kBusyRefusal, Prompt::Icon::Critical);
        co_return;
    }
    m_walkRunning = true;
    m_window.showWalkRunning(true);
    m_flags.setCollectIdle(false);

    // Inside a batch the question was asked once at its start.
    if (m_flags.BatchIdle() && SaveFolderQuestion::enabled())
        m_window.askSaveTarget();

    QSet<QString> walked{m_browser.currentUrl()};
    int page = 1;
    Q_EMIT walkPosition(m_keyword, page);
    for (;;) {
        co_await pendingEvents();
        if (m_flags.CollectIdle())
            break;
        const bool turned = co_await m_window.nextPage();
        if (!turned || !co_await serviceUsable(&SearchDriver::walkStopped, false))
            break;
        const QString address = m_browser.currentUrl();
        if (walked.contains(address)) {
            m_window.pageWalkedBefore(address);
            break;
        }
        walked.insert(address);
        Q_EMIT walkPosition(m_keyword, ++page);
        co_await m_window.harvestPage();
    }
    co_await m_window.harvestPage();
    Q_EMIT walkPosition(m_keyword, 0);

    m_walkRunning = false;
    m_window.showWalkRunning(false);
    m_flags.setCollectIdle(true);
    m_window.autoSizeListColumns();
    Q_EMIT walkFinished();
}

bool SearchDriver::batchStopped() const
{
    return m_flags.BatchIdle();
}

bool SearchDriver::walkStopped() const
{
    return m_flags.CollectIdle();
}

QCoro::Task<bool> SearchDriver::serviceUsable(bool (SearchDriver::*stopped)() const, bool queryPage)
{
    // Events are counted from before the first look, so a page that completes while the page is being read is
    // not slept through.
    Wakeup wake;
    wake.watch(&m_browser, &Browser::documentComplete);
    wake.watch(&m_browser, &Browser::busyChanged);
    wake.watch(&m_flags, &RunFlags::changed);
    int events = 0;
    connect(&wake, &Wakeup::fired, &wake, [&events] { ++events; });
    int completions = 0;
    connect(&m_browser, &Browser::documentComplete, &wake, [&completions] { ++completions; });
    const auto stop = [this, stopped] { return (this->*stopped)(); };

    // Once the first look found no result page, only a result page ends the wait: a verification may return
    // through ordinary pages of its own on the way back.
    bool waiting = false;
    // Whether the window shows the wait, and what it was told last.
    bool told = false;
    ServicePageVerdict toldVerdict;
    int retries = 0;
    QString waitAddress;
    qint64 ordinarySince = -1;
    const auto tell = [&](const ServicePageVerdict &verdict, const QString &address) {
        if (told && verdict.state == toldVerdict.state && verdict.reason == toldVerdict.reason)
            return true;
        told = true;
        toldVerdict = verdict;
        if (m_window.waitForService(verdict, m_keyword, address))
            return true;
        m_flags.setBatchIdle(true);
        m_flags.setCollectIdle(true);
        return false;
    };

    for (;;) {
        const int seen = events;
        const PageSnapshot page = co_await m_browser.snapshot();
        const PageLoad load = m_browser.lastLoad();
        const ServicePageVerdict verdict =
            queryPage && m_browser.isBusy()
                ? NoAnswerVerdict(std::chrono::duration_cast<std::chrono::seconds>(kQueryPageWait).count())
                : JudgeServiceSnapshot(load, m_browser.title(), page, Deployment::searchBase());
        if (verdict.usable() && (!waiting || IsResultPage(page))) {
            if (told)
                m_window.serviceWaitEnded();
            if (!waiting)
                co_return true;
            // The service has just complained: the next request keeps the chosen distance from this answer too.
            co_await PacingPause(m_window.walkPacing(), stop);
            co_return !stop();
        }
        if (!waiting) {
            // Its walk ends; the batch goes on.
            if (RefusesOnlyTheRequest(verdict) && m_window.failKeyword(verdict, m_keyword, m_browser.currentUrl()))
                co_return false;
            waiting = true;
            waitAddress = m_browser.currentUrl();
        }

        std::chrono::milliseconds limit{-1};
        if (verdict.usable()) {
            // An ordinary page: a redirect back to the results may be under way. Told only when it outstays one.
            const qint64 now = Clock::monotonicMs();
            if (ordinarySince < 0)
                ordinarySince = now;
            const qint64 left = ordinarySince + kOrdinaryPageWait.count() - now;
            if (left > 0)
                limit = std::chrono::milliseconds(left);
            else if (!tell({ServicePageState::NotResultPage, m_browser.currentUrl()}, waitAddress))
                co_return false;
        } else {
            ordinarySince = -1;
            if (verdict.state == ServicePageState::Refused && RetryRule::WillRetry(load.httpStatus, retries)) {
                // A page the user loads while the server is asked counts as one loaded during the wait.
                const int completionsBefore = completions;
                // The delay counts from now, after the server's last answer (the refusal, or the answer to asking
                // for its headers where the browser does not show them).
                const QString retryAfterValue = co_await m_browser.refusalRetryAfter();
                const auto delay = RetryRule::NextRetryDelay(load.httpStatus, retryAfterValue, retries, Clock::now());
                ++retries;
                const QString address = load.url.isEmpty() ? m_browser.currentUrl() : load.url;
                told = true;
                toldVerdict = {};
                m_window.serviceRetrying(verdict, m_keyword, address, *delay, retries);
                if (!co_await retryAfter(*delay, address, wake, completions, completionsBefore, stop)) {
                    m_window.serviceWaitEnded();
                    co_return false;
                }
                continue;
            }
            if (!tell(verdict, m_browser.currentUrl()))
                co_return false;
        }
        if (events == seen)
            co_await wake.wait(limit);
        if (stop()) {
            if (told)
                m_window.serviceWaitEnded();
            co_return false;
        }
    }
}

QCoro::Task<bool> SearchDriver::retryAfter(std::chrono::milliseconds delay, QString address, Wakeup &wake,
                                           const int &completions, int seen, std::function<bool()> stop)
{
    // A page the user loads meanwhile (a reload of their own) ends the wait early: it is judged as it is.
    const qint64 deadline = Clock::monotonicMs() + delay.count();
    for (;;) {
        if (stop())
            co_return false;
        if (completions != seen)
            co_return true;
        const qint64 left = deadline - Clock::monotonicMs();
        if (left <= 0)
            break;
        co_await wake.wait(std::chrono::milliseconds(left));
    }
    m_browser.navigate(address);
    const qint64 loadDeadline = Clock::monotonicMs() + kQueryPageWait.count();
    while (m_browser.isBusy()) {
        if (stop())
            co_return false;
        const qint64 left = loadDeadline - Clock::monotonicMs();
        if (left <= 0)
            break;
        co_await wake.wait(std::chrono::milliseconds(left));
    }
    co_return !stop();
}

QCoro::Task<> SearchDriver::harvestOnce()
{
    if (SaveFolderQuestion::enabled())
        m_window.askSaveTarget();
    co_await m_window.harvestPage();
    m_window.autoSizeListColumns();
}
