#include "cli/BatchSearchWindow.h"

#include "cli/BatchProgress.h"
#include "core/net/RetryRule.h"
#include "core/search/PageHarvest.h"
#include "core/search/ResultListModel.h"
#include "core/search/SaveTarget.h"
#include "core/search/SearchDriver.h"
#include "core/search/ServicePageCheck.h"
#include "core/util/MessageText.h"

BatchSearchWindow::BatchSearchWindow(Browser &browser, ResultListModel &results, RunFlags &flags,
                                     const PacingView &pacing, BatchProgress &progress)
    : m_browser(browser), m_results(results), m_flags(flags), m_pacing(pacing), m_progress(progress)
{
    // A page's rows are told as soon as the page is harvested, before the analysis that takes them has anything to
    // say about them: the page turn that harvests a page goes on to the next page's load and pause before it
    // returns. Queued, so that the page's rows are all in when they are counted.
    QObject::connect(
        &m_results, &QAbstractItemModel::rowsInserted, &m_reporting, [this] { reportNewRows(); }, Qt::QueuedConnection);
}

void BatchSearchWindow::setKeywords(const QStringList &keywords, int typeIndex, int yearIndex)
{
    m_keywordText = keywords.join(QLatin1Char('\n'));
    m_keywords.clear();
    for (const QString &line : SearchDriver::keywordLines(m_keywordText))
        if (!line.trimmed().isEmpty())
            m_keywords << CutForMessage(line.trimmed());
    m_keywordIndex = -1;
    m_typeIndex = typeIndex;
    m_yearIndex = yearIndex;
}

void BatchSearchWindow::setKeywordText(const QString &text)
{
    endKeyword();
    ++m_keywordIndex;
    m_pageNumbers.clear();
    m_keywordRows = 0;
    m_keywordFailed = false;
    m_keywordText = text;
}

void BatchSearchWindow::finish()
{
    endKeyword();
    m_keywordIndex = -1;
}

QCoro::Task<> BatchSearchWindow::harvestPage()
{
    co_await 采集本页结果(m_browser, m_results, CurrentSaveTarget().SaveFolder);
    reportNewRows();
}

QCoro::Task<bool> BatchSearchWindow::nextPage()
{
    const bool turned = co_await 下一页(m_browser, m_results, m_flags, m_pacing, CurrentSaveTarget().SaveFolder);
    reportNewRows();
    co_return turned;
}

bool BatchSearchWindow::waitForService(const ServicePageVerdict &verdict, const QString &keyword,
                                       const QString &address)
{
    m_serviceProblem = ServiceProblemText(verdict, keyword, address);
    // A verification is solved by a person, in a browser: the windows' browser shares its profile with this mode.
    if (verdict.state == ServicePageState::Verification)
        m_serviceProblem += QStringLiteral("; to go on, open the search page in the windows (paperharvest), solve the "
                                           "verification in its browser, then run the batch again: the solved "
                                           "verification carries over");
    m_progress.error(m_serviceProblem);
    // The keyword did not come to an end: no "no results" line for it.
    return false;
}

bool BatchSearchWindow::failKeyword(const ServicePageVerdict &verdict, const QString &keyword, const QString &address)
{
    ++m_keywordsFailed;
    m_keywordFailed = true;
    m_progress.error(ServiceProblemText(verdict, keyword, address) +
                     QStringLiteral("; this keyword fails, the batch goes on with the next"));
    return true;
}

void BatchSearchWindow::serviceRetrying(const ServicePageVerdict &verdict, const QString &keyword,
                                        const QString &address, std::chrono::milliseconds delay, int retry)
{
    m_progress.line(QStringLiteral("search %1: %2 at %3; retry %4 of %5 in %6 s")
                        .arg(keyword, ServiceProblemWhat(verdict), address)
                        .arg(retry)
                        .arg(RetryRule::kMaxRetries)
                        .arg(std::chrono::ceil<std::chrono::seconds>(delay).count()));
}

void BatchSearchWindow::pageWalkedBefore(const QString &address)
{
    m_progress.line(QStringLiteral("search %1: the next page leads back to %2, walked before; the walk of this keyword "
                                   "ends here")
                        .arg(m_keywords.value(m_keywordIndex), CutForMessage(address)));
}

void BatchSearchWindow::reportNewRows()
{
    const QString keyword = m_keywords.value(m_keywordIndex);
    const int rows = m_results.rowCount();
    int row = m_reportedRows;
    while (row < rows) {
        const QString page = m_results.row(row).sourcePage;
        int added = 0;
        for (; row < rows && m_results.row(row).sourcePage == page; ++row)
            ++added;
        auto number = m_pageNumbers.find(page);
        if (number == m_pageNumbers.end())
            number = m_pageNumbers.insert(page, static_cast<int>(m_pageNumbers.size()) + 1);
        m_keywordRows += added;
        m_progress.line(QStringLiteral("search %1, page %2: %3 new rows, %4 in the list")
                            .arg(keyword)
                            .arg(*number)
                            .arg(added)
                            .arg(row));
    }
    m_reportedRows = rows;
}

void BatchSearchWindow::endKeyword()
{
    if (m_keywordIndex >= 0 && m_keywordRows == 0 && m_serviceProblem.isEmpty() && !m_keywordFailed)
        m_progress.line(QStringLiteral("search %1: no results").arg(m_keywords.value(m_keywordIndex)));
}
