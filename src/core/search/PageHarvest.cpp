#include "core/search/PageHarvest.h"

#include "core/net/Browser.h"
#include "core/pagetext/FreeLinks.h"
#include "core/run/Pauses.h"
#include "core/run/RunFlags.h"
#include "core/run/Wakeup.h"
#include "core/search/HarvestRules.h"
#include "core/search/ResultListModel.h"
#include "core/util/Clock.h"

int HarvestSnapshot(const PageSnapshot &page, ResultListModel &list, const QString &saveFolder)
{
    if (!page.hasDocument)
        return 0;
    const QList<HarvestedResult> results = ResultsOnPage(page, ResultLinkPrefix());
    for (const HarvestedResult &r : results)
        list.加入LV1(r.title, r.link, page.url, saveFolder, QStringLiteral("htm"), r.citation);
    if (!results.isEmpty())
        return static_cast<int>(results.size());

    // Not a result list, perhaps a single document's page: its free link, titled with the search words.
    QStringList entries;
    提取全网免费下载链接组(page.outerHtml, entries);
    QString type;
    const QString link = 取出全网免费下载链接(entries, type);
    if (link.isEmpty())
        return 0;
    const QString title = QueryShowTitle(page.outerHtml);
    if (!title.isEmpty())
        list.加入LV1(title, link, QString(), saveFolder, type);
    return 0;
}

QCoro::Task<> 采集本页结果(Browser &browser, ResultListModel &list, QString saveFolder)
{
    const PageSnapshot page = co_await browser.snapshot();
    HarvestSnapshot(page, list, saveFolder);
}

QCoro::Task<bool> 下一页(Browser &browser, ResultListModel &list, RunFlags &flags, const PacingView &pacing,
                         QString saveFolder)
{
    const PageSnapshot page = co_await browser.snapshot();
    if (!page.hasDocument)
        co_return false;
    // The page is harvested before it is left; on the last page that is all there is to do.
    HarvestSnapshot(page, list, saveFolder);
    const int next = NextPageLinkIndex(page);
    if (next < 0)
        co_return false;

    const qint64 start = Clock::monotonicMs();
    const qint64 limit = kPageTurnLimit.count();
    bool completed = false;
    bool sawBusy = false;
    Wakeup wake;
    wake.watch(&flags, &RunFlags::changed);
    QObject::connect(&browser, &Browser::busyChanged, &wake, [&](bool busy) {
        sawBusy = sawBusy || busy;
        wake.fire();
    });
    QObject::connect(&browser, &Browser::documentComplete, &wake, [&] {
        completed = true;
        flags.setPageLoading(false);
        wake.fire();
    });

    flags.setPageLoading(true);
    if (!co_await browser.click(ElementRef::byTag(QStringLiteral("a"), next))) {
        // The page changed under us or stopped answering: the walk ends here.
        co_await 采集本页结果(browser, list, saveFolder);
        co_return false;
    }

    // Wait for the new page. A load that stops without completing (the link was a download, say) ends the wait
    // too, as does the limit: then the walk goes on with whatever the page has become.
    for (;;) {
        if (flags.CollectIdle()) {
            co_await 采集本页结果(browser, list, saveFolder);
            co_return false;
        }
        if (completed || !flags.PageLoading())
            break;
        if (browser.isBusy())
            sawBusy = true;
        else if (sawBusy)
            break;
        const qint64 left = limit - (Clock::monotonicMs() - start);
        if (left <= 0)
            break;
        co_await wake.wait(std::chrono::milliseconds(left));
    }

    co_await 提取信息限速延时(pacing);
    co_await 采集本页结果(browser, list, saveFolder);
    co_return true;
}
