#include "core/run/Pauses.h"

#include "core/net/SignalWait.h"
#include "core/run/RunFlags.h"
#include "core/store/Settings.h"
#include "core/util/Clock.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {
constexpr int kMaxDelaySeconds = 120;
constexpr int kDefaultDelaySeconds = 4;

// A safety pass for a stop flag set by code that forgot to emit changed(): the pause never oversleeps a stop
// by more than this.
constexpr std::chrono::milliseconds kPauseRecheck{1000};

} // namespace

QCoro::Task<> PacingPause(const PacingView &view, std::function<bool()> stopped)
{
    // The view lives as long as the window or batch that runs us; `changed` wakes us early.
    auto *notifier = const_cast<PacingView *>(&view);
    const qint64 start = Clock::monotonicMs();
    for (;;) {
        const int seconds = PacingDelaySeconds(view.delayText());
        if (seconds <= 0 || stopped())
            co_return;
        const qint64 deadline = start + std::chrono::milliseconds(std::chrono::seconds(seconds)).count();
        const qint64 remaining = deadline - Clock::monotonicMs();
        if (remaining <= 0)
            co_return;
        const auto wait = std::min<qint64>(remaining, kPauseRecheck.count());
        co_await waitForSignal(notifier, &PacingView::changed, std::chrono::milliseconds(wait));
    }
}

int PacingDelaySeconds(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return -1;
    // The box offers 0 to 120; a larger typed value is still honoured, capped at a day so the deadline cannot
    // overflow.
    return static_cast<int>(std::clamp(std::trunc(value), -1.0, 86400.0));
}

QCoro::Task<> 提取信息限速延时(const PacingView &view)
{
    co_await PacingPause(view, [&view] { return view.collectIdle(); });
}

QCoro::Task<> 分析保存限速延时(const PacingView &view)
{
    co_await PacingPause(view, [&view] { return view.analysisIdle(); });
}

RunFlagsPacing::RunFlagsPacing(RunFlags &flags, QObject *parent) : PacingView(parent), m_flags(flags)
{
    connect(&m_flags, &RunFlags::changed, this, &PacingView::changed);
}

bool RunFlagsPacing::collectIdle() const
{
    return m_flags.CollectIdle();
}

bool RunFlagsPacing::analysisIdle() const
{
    return m_flags.AnalysisIdle();
}

int StoredPacingDelay()
{
    const int stored = SettingKeys::combo1.read();
    return stored >= 0 && stored <= kMaxDelaySeconds ? stored : kDefaultDelaySeconds;
}
