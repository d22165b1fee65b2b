#pragma once

#include <QCoroTask>
#include <QString>
#include <chrono>

class PacingView;
struct ServicePageVerdict;

// What the batch search and the page walk need of the window that runs them: the keyword box, the two filters,
// the two start/stop buttons, the save-target question, the list's column widths, and the harvest of the page on
// screen. The main window implements it over its controls; the batch mode implements it without any window.
class SearchWindow
{
public:
    virtual ~SearchWindow() = default;

    // The keyword box: one keyword (or keyword group) per line.
    virtual QString keywordText() const = 0;
    virtual void setKeywordText(const QString &text) = 0;
    // The selected document-type filter (0 to 5) and year filter (0 to 3).
    virtual int typeIndex() const = 0;
    virtual int yearIndex() const = 0;

    // The batch button and the page-walk button switch between their start and stop captions.
    virtual void showBatchRunning(bool running) = 0;
    virtual void showWalkRunning(bool running) = 0;
    // Asks where harvested documents go (modal); the run goes on whatever the answer.
    virtual void askSaveTarget() = 0;
    virtual void autoSizeListColumns() = 0;

    // Harvests the page on screen into the result list.
    virtual QCoro::Task<> harvestPage() = 0;
    // Harvests, follows the next-page link, waits and pauses; true when a page was turned.
    virtual QCoro::Task<bool> nextPage() = 0;

    // The service answered `keyword`'s search or page turn at `address` with something other than a result page.
    // True: the walk waits until a result page shows again (the user can solve a verification in the browser);
    // false: the batch and its walk end here.
    virtual bool waitForService(const ServicePageVerdict &verdict, const QString &keyword, const QString &address) = 0;
    // The service refused the request of `keyword`'s search or page turn alone (RefusesOnlyTheRequest): true when
    // that keyword ends here and the batch goes on with the next; false to treat it as waitForService says.
    virtual bool failKeyword(const ServicePageVerdict &, const QString &, const QString &) { return false; }
    // The service turned the page at `address` away for a while (429, 503): it is asked again after `delay`, the
    // `retry`-th time. A page shown meanwhile (the user reloaded it) ends the wait early.
    virtual void serviceRetrying(const ServicePageVerdict &verdict, const QString &keyword, const QString &address,
                                 std::chrono::milliseconds delay, int retry) = 0;
    // Such a wait ended: a result page shows again and the walk goes on, or the run was stopped.
    virtual void serviceWaitEnded() = 0;
    // The delay chosen for the walk's pauses: after a wait, the next request keeps it too.
    virtual const PacingView &walkPacing() const = 0;
    // A page turn led back to a page this walk had already shown (a next-page link that points backwards): the
    // walk ends there instead of going round for ever.
    virtual void pageWalkedBefore(const QString &address) = 0;
};
