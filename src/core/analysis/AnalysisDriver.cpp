#include "core/analysis/AnalysisDriver.h"

#include "core/analysis/AnalysisTexts.h"
#include "core/analysis/AnalysisView.h"
#include "core/analysis/InetPool.h"
#include "core/analysis/ProxyRotation.h"
#include "core/net/FetchPageText.h"
#include "core/net/TransferControl.h"
#include "core/pagetext/FreeLinks.h"
#include "core/run/Pauses.h"
#include "core/run/RunFlags.h"
#include "core/search/ResultListModel.h"
#include "core/store/VisitedDatabase.h"
#include "core/util/ClockTimer.h"
#include "core/util/FileNameRules.h"
#include "core/util/Prompt.h"

#include <QCoroTimer>
#include <QPointer>

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

// Share of replacement characters above which a page counts as binary or in an encoding we cannot read.
constexpr qsizetype kMaxReplacementShare = 10; // percent
} // namespace

AnalysisDriver::AnalysisDriver(ResultListModel &rows, RunFlags &flags, ProxyRotation &proxies, AnalysisView &view,
                               const PacingView &pacing, QObject *parent)
    : QObject(parent), m_rows(rows), m_flags(flags), m_proxies(proxies), m_view(view), m_pacing(pacing),
      m_pool(new InetPool(this))
{}

AnalysisDriver::~AnalysisDriver()
{
    *m_alive = false;
}

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
        Prompt::current().message(AnalysisText::analysisRunning, Prompt::Icon::Critical);
        co_return false;
    }
    m_running = true;
    m_view.setRunning(true);
    m_flags.setAnalysisIdle(false);
    Q_EMIT runStarted();
    const std::shared_ptr<bool> alive = m_alive;
    co_await letEventsRun();
    if (!*alive)
        co_return false;

    co_await runRows(set);
    if (!*alive)
        co_return false;

    m_view.setRunning(false);
    m_flags.setAnalysisIdle(true);
    m_running = false;
    m_view.显示下载窗口(false);
    Q_EMIT runFinished();
    co_return true;
}

QCoro::Task<> AnalysisDriver::runRows(AnalysisSet set)
{
    // Rows a harvest appends during the run wait for the next one.
    const int n = m_rows.rowCount();
    if (n == 0)
        co_return;
    m_view.setProgress(0, n + 1);
    for (int i = 0; i < n && !m_flags.AnalysisIdle(); ++i) {
        m_view.setProgress(i + 1, n + 1);
        if (i >= m_rows.rowCount())
            break;
        if (!RowInAnalysisSet(set, m_rows.row(i).status, m_view.isRowSelected(i)))
            continue;
        const std::shared_ptr<bool> alive = m_alive;
        co_await 分析链接提取pdf链接(i);
        co_await letEventsRun();
        if (!*alive)
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
    if (m_flags.AnalysisIdle() && !m_running)
        start(AnalysisSet::Unanalysed);
}

QCoro::Task<> AnalysisDriver::分析链接提取pdf链接(int row)
{
    // The row is found again by its key after every wait: the list may have changed meanwhile.
    const ResultRow r = m_rows.row(row);
    const QString key = r.key;
    QString status;
    // After every wait: a window torn down meanwhile took the driver with it, and the row is left as it is.
    const std::shared_ptr<bool> alive = m_alive;

    if (m_view.followAnalysedRow())
        m_view.scrollToRow(row);
    status = setRowStatus(key, AnalysisText::正在分析);
    co_await letEventsRun();
    if (!*alive)
        co_return;

    do {
        if (m_view.skipVisitedAddress()) {
            QString address = key;
            if (IsVisitedAddress(address)) {
                status = setRowStatus(key, AnalysisText::跳过曾经下载);
                break;
            }
        }
        const QString name = MakeSafeFileName(r.title);
        // Blanks alone are no name either: the hand-over trims them away and would leave a nameless file.
        if (name.trimmed().isEmpty())
            break;
        const QString folder = withTrailingSeparator(r.saveFolder.isEmpty() ? m_view.saveFolder() : r.saveFolder);
        // The title-named .pdf, whatever the row's type and the naming mode: the usual outcome of a download.
        if (m_view.skipExistingFile() && IsExistingFile(folder + name + QStringLiteral(".pdf"))) {
            status = setRowStatus(key, AnalysisText::跳过文件存在);
            break;
        }
        status = setRowStatus(key, AnalysisText::正在分析下层);
        co_await letEventsRun();
        if (!*alive)
            co_return;
        const QString proxy = m_proxies.updateBeforeFetch();

        if (r.type.toLower() == QStringLiteral("pdf")) {
            m_view.加入下载列表(key, name, QStringLiteral("pdf"), folder, QString());
            status = setRowStatus(key, AnalysisText::成功);
            break;
        }

        const int index = m_pool->找出未使用Inet的Index();
        TransferControl &control = m_pool->element(index);
        // The fetch's own time-out bounds each silence; a server that keeps trickling bytes is cut off here, and
        // what it sent so far is not taken for the page.
        FetchDeadline deadline(control, kRowFetchDeadline);
        QString text = co_await FetchPageText(key, r.sourcePage, &control, QStringLiteral("utf-8"),
                                              kFetchTimeoutSeconds, QStringLiteral("GET"), QByteArray(), proxy);
        if (!*alive)
            co_return;
        if (deadline.overran())
            text.clear();
        if (!IsUsablePageText(text)) {
            m_proxies.recordFetch(false);
            status = setRowStatus(key, AnalysisText::失败下载);
            setRowType(key, QString());
        } else {
            m_proxies.recordFetch(true);
            QString address = key;
            RecordVisitedAddress(address);
            QStringList entries;
            提取全网免费下载链接组(text, entries);
            QString linkType;
            const QString link = 取出全网免费下载链接(entries, linkType);
            if (link.isEmpty()) {
                status = setRowStatus(key, AnalysisText::无pdf);
                setRowType(key, QString());
            } else {
                m_view.加入下载列表(link, name, linkType, folder, QString());
                status = setRowStatus(key, AnalysisText::成功);
                setRowType(key, linkType);
            }
        }
        // After every fetch, whatever came back: the pause keeps the request rate towards the service down.
        {
            GuardedPacing pacing(m_pacing);
            co_await 分析保存限速延时(pacing);
        }
        if (!*alive)
            co_return;
        m_pool->卸载闲置Inet();
    } while (false);

    if (status.isEmpty() || status.startsWith(AnalysisText::正在分析))
        status = setRowStatus(key, AnalysisText::失败);
    Q_EMIT rowAnalysed(m_rows.rowOf(key), status);
    co_await letEventsRun();
}
