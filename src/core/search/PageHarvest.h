#pragma once

#include <QCoroTask>
#include <QString>
#include <chrono>

class Browser;
class PacingView;
class ResultListModel;
class RunFlags;
struct PageSnapshot;

// How long a page turn may take before the walk goes on with whatever the page has become.
inline constexpr std::chrono::milliseconds kPageTurnLimit{60000};

// Adds the results of one page snapshot to the list (new rows get type "htm", the page's address as source page
// and `saveFolder`). A page without result blocks that names its search words after "queryShow :" and offers a
// free download link gives one row for that link instead. Returns how many results the page showed (duplicates
// included). A snapshot without document adds nothing.
int HarvestSnapshot(const PageSnapshot &page, ResultListModel &list, const QString &saveFolder);

// Harvests the page the browser shows into the list.
QCoro::Task<> 采集本页结果(Browser &browser, ResultListModel &list, QString saveFolder);

// Harvests the page on screen, then follows its next-page link: clicks it, waits for the top-level document to
// complete (at most kPageTurnLimit, on the test clock), takes the harvesting pause and harvests the new page.
// True when a page was turned. False on the last page (no next-page link), when there is no document, when the
// link could not be clicked, and when the walk is asked to stop (CollectIdle) during the wait, in which case the
// page then shown is harvested first. PageLoading is set before the click and cleared by the completion.
QCoro::Task<bool> 下一页(Browser &browser, ResultListModel &list, RunFlags &flags, const PacingView &pacing,
                         QString saveFolder);
