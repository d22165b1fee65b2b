#include "gui/fIEcache/ClearBrowserCache.h"

#include "core/util/Prompt.h"
#include "gui/fIEcache/fIEcache.h"
#include "gui/fIEcache/fIEcacheTexts.h"
#include "web/WebProfile.h"

#include <QWebEngineProfile>
#include <QtGlobal>

#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
#include <QCoroSignal>
#endif

namespace T = fIEcacheTexts;

QCoro::Task<> ClearBrowserCache(bool showMessage)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 7, 0)
    // The browser drops what it holds in memory too; the window's deletion below must not run beside it.
    QWebEngineProfile *profile = ProgramWebProfile();
    profile->clearHttpCache();
    co_await qCoro(profile, &QWebEngineProfile::clearHttpCacheCompleted);
#endif
    // Before Qt 6.7 the browser's own clearing is left alone: it says nothing when it is done, and pages loaded
    // after it often never finished loading. Deleting the entry files alone leaves the browser working; an entry
    // it still expects is then simply fetched again.
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
