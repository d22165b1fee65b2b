#include "core/analysis/AnalysisDriver.h"

#include "core/analysis/AnalysisTexts.h"
#include "core/analysis/AnalysisView.h"
#include "core/analysis/InetPool.h"
#include "core/analysis/ProxyRotation.h"
#include "core/net/Browser.h"
#include "core/net/FetchPageText.h"
#include "core/net/LifetimeGuard.h"
#include "core/net/RetryRule.h"
#include "core/net/SignalWait.h"
#include "core/net/TransferControl.h"
#include "core/pagetext/FreeLinks.h"
#include "core/run/Pauses.h"
#include "core/run/RunFlags.h"
#include "core/search/ResultListModel.h"
#include "core/store/VisitedDatabase.h"
#include "core/store/VisitedDownloads.h"
#include "core/util/Clock.h"
#include "core/util/ClockTimer.h"
#include "core/util/Deployment.h"
#include "core/util/DocumentFileName.h"
#include "core/util/FileNameRules.h"
#include "core/util/Prompt.h"

#include <QCoroTimer>
#include <QPointer>
#include <QRegularExpression>

namespace {
// Lets the window handle what arrived meanwhile (a click on the stop button, a repaint) before the run goes on.
QCoro::Task<> letEventsRun()
{
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
}

QString withTrailingSeparator(const QString &folder)
{
    if (folder.endsWith(kPathSeparator) || folder.endsWith(u'/'))
        return folder;
    return folder + kPathSeparator;
}

// Cancels a fetch that is still running when its time is up, and remembers that it did.
class FetchDeadline final
{
public:
    FetchDeadline(TransferControl &control, std::chrono::milliseconds limit)
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &ClockTimer::timeout, &control, [this, &control] {
            m_overran = true;
            control.cancel();
        });
        m_timer.start(limit);
    }
    bool overran() const { return m_overran; }

private:
    ClockTimer m_timer;
    bool m_overran = false;
};

// The pause's view of the window for the length of one pause. Should the window go away meanwhile, the pause ends
// instead of reading a view that is gone.
class GuardedPacing final : public PacingView
{
public:
    explicit GuardedPacing(const PacingView &view) : m_view(&view)
    {
        connect(&view, &PacingView::changed, this, &PacingView::changed);
        connect(&view, &QObject::destroyed, this, &PacingView::changed);
    }
    QString delayText() const override { return m_view ? m_view->delayText() : QStringLiteral("0"); }
    bool collectIdle() const override { return !m_view || m_view->collectIdle(); }
    bool analysisIdle() const override { return !m_view || m_view->analysisIdle(); }

private:
    QPointer<const PacingView> m_view;
};

QString pageTitle(const QString &html)
{
    static const QRegularExpression title(QStringLiteral("<title[^>]*>(.*?)</title>"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    return title.match(html).captured(1).trimmed();
}

// Whether the service withheld the row's page: its verification page (or a redirect to it), or a refusal that the
// back-off could not outwait. Other failures (a missing page, a dead link) are the row's own.
ServicePageVerdict judgeRowAnswer(const TransferControl &control, const QString &text)
{
    const int status = control.statusCode();
    const PageLoad load{.url = control.effectiveUrl().toString(),
                        .httpStatus = RetryRule::IsRetryStatus(status) ? status : 0,
                        .failure = {}};
    return JudgeServicePage(load, pageTitle(text), text, Deployment::searchBase());
}

// Share of replacement characters above which a page counts as binary or in an encoding we cannot read.
constexpr qsizetype kMaxReplacementShare = 10; // percent
} // namespace

AnalysisDriver::AnalysisDriver(ResultListModel &rows, RunFlags &flags, ProxyRotation &proxies, AnalysisView &view,
                               const PacingView &pacing, QObject *parent)
    : QObject(parent), m_rows(rows), m_flags(flags), m_proxies(proxies), m_view(view), m_pacing(pacing),
      m_pool(new InetPool(this))
{}

AnalysisDriver::~AnalysisDriver() = default;

bool AnalysisDriver::IsUsablePageText(const QString &text)
{
    if (text.size() <= kShortPageLength)
        return false;
    // An HTML page never holds NUL; a file decoded as text is full of them (and of replacement characters).
    qsizetype replacements = 0;
    for (const QChar c : text) {
        if (c.unicode() == 0)
            return false;
        if (c.unicode() == 0xFFFD)
            ++replacements;
    }
    return replacements * 100 <= text.size() * kMaxReplacementShare;
}

void AnalysisDriver::start(AnalysisSet set)
{
    // The task runs on by itself; the driver outlives it (see the constructor's note).
    [](AnalysisDriver *self, AnalysisSet s) -> QCoro::Task<> { co_await self->run(s); }(this, set);
}

QCoro::Task<bool> AnalysisDriver::run(AnalysisSet set)
{
    if (!m_flags.AnalysisIdle() || m_running) {
        Prompt::current().message(AnalysisTexts::kAnalysisRunning, Prompt::Icon::Critical);
        co_return false;
    }
    m_running = true;
    m_view.setRunning(true);
    m_flags.setAnalysisIdle(false);
    Q_EMIT runStarted();
    const auto self = lifetimeGuard(this);
    co_await letEventsRun();
    if (!self)
        co_return false;

    m_serviceRefusals = 0;
    co_await runRows(set);
    if (!self)
        co_return false;

    m_view.setRunning(false);
    m_flags.setAnalysisIdle(true);
    m_running = false;
    m_view.显示下载窗口(false);
    if (m_serviceRefusals >= kServiceRefusalsToStop)
        Q_EMIT serviceUnusable(m_lastWithheld, m_lastWithheldAddress);
    Q_EMIT runFinished();
    co_return true;
}

QCoro::Task<> AnalysisDriver::runRows(AnalysisSet set)
{
    // Rows a harvest appends during the run wait for the next one.
    const int n = m_rows.rowCount();
    if (n == 0)
        co_return;
    const auto self = lifetimeGuard(this);
    m_view.setProgress(0, n + 1);
    for (int i = 0; i < n && !m_flags.AnalysisIdle(); ++i) {
        m_view.setProgress(i + 1, n + 1);
        if (i >= m_rows.rowCount())
            break;
        if (!RowInAnalysisSet(set, m_rows.row(i).status, m_view.isRowSelected(i)))
            continue;
        co_await 分析链接提取pdf链接(i);
        co_await letEventsRun();
        if (!self)
            co_return;
        if (m_flags.AnalysisIdle())
            break;
    }
}

QString AnalysisDriver::setRowStatus(const QString &key, const QString &status)
{
    const int at = m_rows.rowOf(key);
    if (at >= 0)
        m_rows.setStatus(at, status);
    return status;
}

void AnalysisDriver::setRowType(const QString &key, const QString &type)
{
    const int at = m_rows.rowOf(key);
    if (at >= 0)
        m_rows.setType(at, type);
}

void AnalysisDriver::stop()
{
    m_flags.setAnalysisIdle(true);
}

void AnalysisDriver::autoAnalysisTick()
{
    // A stopped run still finishing its row refuses with its message, as the command would.
    if (m_flags.AnalysisIdle())
        start(AnalysisSet::Unanalysed);
}

QCoro::Task<QString> AnalysisDriver::分析链接提取pdf链接(int row)
{
    const auto self = lifetimeGuard(this);
    // A copy: the list may change during the waits, and the row is found again by its key after each.
    const ResultRow r = m_rows.row(row);
    if (m_view.followAnalysedRow())
        m_view.scrollToRow(row);
    setRowStatus(r.key, AnalysisTexts::正在分析);
    co_await letEventsRun();
    if (!self)
        co_return {};

    QString status = co_await analyseRow(r);
    if (!self)
        co_return {};
    if (status.isEmpty())
        status = setRowStatus(r.key, AnalysisTexts::失败);
    Q_EMIT rowAnalysed(m_rows.rowOf(r.key), status);
    co_await letEventsRun();
    co_return status;
}

QCoro::Task<QString> AnalysisDriver::analyseRow(const ResultRow &r)
{
    const auto self = lifetimeGuard(this);
    const QString &key = r.key;
    if (m_view.skipVisitedAddress()) {
        QString address = key;
        if (IsVisitedAddress(address))
            co_return setRowStatus(key, AnalysisTexts::跳过曾经下载);
    }
    // The name the download will give the file; a title that leaves none is named after the document's
    // address when it is queued, so there is no title-named file to look for.
    const QString name = DocumentBaseName(r.title);
    const QString folder = withTrailingSeparator(r.saveFolder.isEmpty() ? m_view.saveFolder() : r.saveFolder);
    // The title-named .pdf, whatever the row's type and the naming mode: the usual outcome of a download.
    if (m_view.skipExistingFile() && !name.isEmpty() && IsExistingFile(folder + name + QStringLiteral(".pdf")))
        co_return setRowStatus(key, AnalysisTexts::跳过文件存在);
    setRowStatus(key, AnalysisTexts::正在分析下层);
    co_await letEventsRun();
    if (!self)
        co_return {};
    const QString proxy = m_proxies.updateBeforeFetch();

    if (r.type.toLower() == QStringLiteral("pdf")) {
        m_view.加入下载列表(key, name, QStringLiteral("pdf"), folder, QString());
        co_return setRowStatus(key, AnalysisTexts::成功);
    }

    const RowPage page = co_await fetchRowPage(r, proxy);
    if (!self)
        co_return {};
    QString status;
    if (page.verdict.usable()) {
        status = handOverLink(key, page.text, name, folder);
    } else {
        // Not the row's page at all: the row failed, it does not lack a free link.
        m_proxies.recordFetch(false);
        status = setRowStatus(key, AnalysisTexts::失败下载);
        setRowType(key, QString());
    }
    if (noteServiceAnswer(page.verdict, key))
        co_return status;
    // After every fetch, whatever came back: the pause keeps the request rate towards the service down.
    {
        GuardedPacing pacing(m_pacing);
        co_await 分析保存限速延时(pacing);
    }
    if (!self)
        co_return {};
    m_pool->卸载闲置Inet();
    co_return status;
}

QCoro::Task<AnalysisDriver::RowPage> AnalysisDriver::fetchRowPage(const ResultRow &r, const QString &proxy)
{
    const auto self = lifetimeGuard(this);
    const int index = m_pool->找出未使用Inet的Index();
    TransferControl &control = m_pool->element(index);
    RowPage page;
    for (int retries = 0;; ++retries) {
        page.text = co_await fetchOnce(control, r, proxy);
        if (!self)
            co_return {};
        page.verdict = judgeRowAnswer(control, page.text);
        const auto delay = RetryRule::NextRetryDelay(
            control.statusCode(), control.getHeader(QStringLiteral("Retry-After")), retries, Clock::now());
        if (!delay)
            co_return page;
        ++m_retries;
        Q_EMIT retryWaiting(r.key, *delay, retries + 1);
        if (!co_await backOff(*delay))
            co_return page;
    }
}

QCoro::Task<QString> AnalysisDriver::fetchOnce(TransferControl &control, const ResultRow &r, const QString &proxy)
{
    const auto self = lifetimeGuard(this);
    // The fetch's own time-out bounds each silence; a server that keeps trickling bytes is cut off here, and what it
    // sent so far is not taken for the page.
    FetchDeadline deadline(control, kRowFetchDeadline);
    // Named, not a temporary inside the co_await: GCC 12 destroys such a braced temporary twice.
    const PageFetchRequest request{.address = r.key,
                                   .referer = r.sourcePage,
                                   .charset = QStringLiteral("utf-8"),
                                   .timeoutSeconds = kFetchTimeoutSeconds,
                                   .proxy = proxy};
    QString text = co_await FetchPageText(request, &control);
    if (!self || deadline.overran())
        co_return {};
    co_return text;
}

QCoro::Task<bool> AnalysisDriver::backOff(std::chrono::milliseconds delay)
{
    const auto self = lifetimeGuard(this);
    const qint64 deadline = Clock::monotonicMs() + delay.count();
    for (;;) {
        if (m_flags.AnalysisIdle())
            co_return false;
        const qint64 left = deadline - Clock::monotonicMs();
        if (left <= 0)
            co_return true;
        // The stop command sets the flag, which wakes the wait at once.
        co_await waitForSignal(&m_flags, &RunFlags::changed, std::chrono::milliseconds(left));
        if (!self)
            co_return false;
    }
}

bool AnalysisDriver::noteServiceAnswer(const ServicePageVerdict &verdict, const QString &address)
{
    if (verdict.usable()) {
        m_serviceRefusals = 0;
        return false;
    }
    m_lastWithheld = verdict;
    m_lastWithheldAddress = address;
    if (++m_serviceRefusals < kServiceRefusalsToStop)
        return false;
    m_flags.setAnalysisIdle(true);
    return true;
}

QString AnalysisDriver::handOverLink(const QString &key, const QString &text, const QString &name,
                                     const QString &folder)
{
    QString status;
    if (!IsUsablePageText(text)) {
        m_proxies.recordFetch(false);
        status = setRowStatus(key, AnalysisTexts::失败下载);
        setRowType(key, QString());
        return status;
    }
    m_proxies.recordFetch(true);
    QStringList entries;
    提取全网免费下载链接组(text, entries);
    QString linkType;
    const QString link = 取出全网免费下载链接(entries, linkType);
    QString address = key;
    if (link.isEmpty()) {
        RecordVisitedAddress(address);
        status = setRowStatus(key, AnalysisTexts::无pdf);
        setRowType(key, QString());
        return status;
    }
    const bool newlyVisited = RecordVisitedAwaitingDownload(address);
    // An address visited in an earlier run was saved then; only this run's own record waits on its download. The
    // link comes first: a hand-over may find the file saved already and settle the visit at once.
    if (newlyVisited)
        LinkVisitedToDownload(link, address);
    m_view.加入下载列表(link, name, linkType, folder, QString());
    status = setRowStatus(key, AnalysisTexts::成功);
    setRowType(key, linkType);
    return status;
}
