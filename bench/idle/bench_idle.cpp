// Measures the CPU time (user + system, from getrusage) the program spends while it waits: during a 10-second
// pause between page turns, and during 10 seconds of waiting for a query page that never completes. Both waits
// are timers and signals; the figure printed should be a few milliseconds at most.
#include "core/net/Browser.h"
#include "core/run/Pauses.h"
#include "core/run/RunFlags.h"
#include "core/search/SearchDriver.h"
#include "core/search/SearchWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>
#include <sys/resource.h>

namespace {
double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

class Delay final : public PacingView
{
public:
    QString delayText() const override { return QStringLiteral("10"); }
    bool collectIdle() const override { return false; }
    bool analysisIdle() const override { return false; }
};

// A browser whose page never finishes loading.
class StalledBrowser final : public Browser
{
public:
    void navigate(const QString &) override { m_busy = true; }
    void refresh() override {}
    void back() override {}
    void forward() override {}
    bool isBusy() const override { return m_busy; }
    void setSilent(bool) override {}
    bool isSilent() const override { return true; }
    QString currentUrl() const override { return {}; }
    QString title() const override { return {}; }
    PageLoad lastLoad() const override { return {}; }
    QCoro::Task<PageSnapshot> snapshot() override { co_return PageSnapshot{}; }
    QCoro::Task<QList<PageInput>> inputs() override { co_return {}; }
    QCoro::Task<bool> hasElement(ElementRef) override { co_return false; }
    QCoro::Task<bool> click(ElementRef) override { co_return false; }
    QCoro::Task<bool> setValue(ElementRef, const QString &) override { co_return false; }
    void setFrameScripts(const QStringList &) override {}
    QStringList frameScripts() const override { return {}; }
    QCoro::Task<QVariant> runScript(const QString &) override { co_return QVariant(); }
    void runScriptInAllFrames(const QString &) override {}

private:
    bool m_busy = false;
};

class NoPause final : public PacingView
{
public:
    QString delayText() const override { return QStringLiteral("0"); }
    bool collectIdle() const override { return false; }
    bool analysisIdle() const override { return false; }
};

class NoWindow final : public SearchWindow
{
public:
    QString keywordText() const override { return {}; }
    void setKeywordText(const QString &) override {}
    int typeIndex() const override { return 0; }
    int yearIndex() const override { return 0; }
    void showBatchRunning(bool) override {}
    void showWalkRunning(bool) override {}
    void askSaveTarget() override {}
    void autoSizeListColumns() override {}
    QCoro::Task<> harvestPage() override { co_return; }
    QCoro::Task<bool> nextPage() override { co_return false; }
    bool waitForService(const ServicePageVerdict &, const QString &, const QString &) override { return false; }
    void serviceRetrying(const ServicePageVerdict &, const QString &, const QString &, std::chrono::milliseconds,
                         int) override
    {}
    void serviceWaitEnded() override {}
    const PacingView &walkPacing() const override { return m_pacing; }
    void pageWalkedBefore(const QString &) override {}

private:
    NoPause m_pacing;
};

// Runs `task` to its end in the event loop; prints wall and CPU seconds.
template <typename Start> void measure(const char *what, Start start)
{
    QEventLoop loop;
    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = cpuSeconds();
    [](Start s, QEventLoop &l) -> QCoro::Task<> {
        co_await s();
        l.quit();
    }(start, loop);
    loop.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    QTextStream(stdout) << what << ": " << QString::number(wall.elapsed() / 1000.0, 'f', 2) << " s waited, "
                        << QString::number(cpu, 'f', 4) << " CPU seconds ("
                        << QString::number(cpu * 100.0 / (wall.elapsed() / 1000.0), 'f', 3) << " % of one core)"
                        << Qt::endl;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    Delay delay;
    measure("pause of 10 s between page turns", [&]() { return 提取信息限速延时(delay); });

    // The query-page wait runs to its 30-second limit.
    StalledBrowser browser;
    RunFlags flags;
    flags.setBatchIdle(false); // inside a batch the wait lasts until the page completes or the limit passes
    NoWindow window;
    SearchDriver driver(browser, flags, window);
    measure("wait of 30 s for a query page that never completes",
            [&]() { return driver.打开百度搜索网页(QStringLiteral("http://127.0.0.1:9/")); });
    return 0;
}
