#include "gui/fIEcache/ClearBrowserCache.h"

#include "core/cache/CacheEntryRows.h"
#include "core/util/Prompt.h"
#include "gui/fIEcache/fIEcache.h"
#include "gui/fIEcache/fIEcacheTexts.h"
#include "web/WebProfile.h"

#include <QCoroTimer>
#include <QDeadlineTimer>
#include <QWebEngineProfile>

namespace T = fIEcacheTexts;

namespace {
// The browser empties its cache in the background and, in this Qt, says nothing when it is done. Files deleted
// beside its own clearing can leave it unable to load pages, so the window's deletion waits until the entries are
// gone from the disk, looking again at this interval, for at most the limit (pages loading meanwhile write new
// entries that its clearing does not take).
constexpr std::chrono::milliseconds kClearingLook{50};
constexpr std::chrono::seconds kClearingLimit{15};
} // namespace

QCoro::Task<> ClearBrowserCache(bool showMessage)
{
    QWebEngineProfile *profile = ProgramWebProfile();
    const QString cache = profile->cachePath();
    profile->clearHttpCache();
    const QDeadlineTimer limit(kClearingLimit);
    while (HoldsCacheEntries(cache) && !limit.hasExpired())
        co_await QCoro::sleepFor(kClearingLook);

    fIEcache window;
    co_await window.Command1_Click();
    const int ownLeft = co_await window.Command3_Click();
    co_await window.Command7_Click();
    co_await window.Command3_Click();
    window.close();
    if (!showMessage)
        co_return;
    if (ownLeft == 0)
        Prompt::current().message(T::kCacheCleared, Prompt::Icon::Information);
    else
        Prompt::current().message(T::kCacheNotCleared.arg(ownLeft), Prompt::Icon::Critical);
}
