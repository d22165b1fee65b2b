// One supervision tick of the download scheduler on lists of 1 000 and 10 000 rows. The tick runs every second
// for as long as the download window is open, so its cost must not grow with the list. Prints both times and
// their ratio, for the plain tick and for the tick that also re-queues failed rows automatically (which walks
// the list by its nature).
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadScheduler.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>

namespace {
void fill(DownloadListModel &list, int rows)
{
    for (int i = 0; i < rows; ++i) {
        DownloadItem item;
        item.address = QStringLiteral("http://example.org/doc/%1.pdf").arg(i);
        item.name = QStringLiteral("document %1").arg(i);
        item.type = i % 50 == 0 ? QStringLiteral("htm") : QStringLiteral("pdf");
        item.folder = QStringLiteral("/tmp/bench/");
        // Mostly finished, a few waiting and running: the list of a long run in its middle.
        item.state = i % 10 == 0 ? ItemState::Waiting : i % 97 == 0 ? ItemState::Downloading : ItemState::Done;
        if (item.state == ItemState::Done)
            item.size = item.downloaded = QStringLiteral("123456"), item.percent = QStringLiteral("100%");
        list.append(item);
    }
}

void supervisionTick(benchmark::State &state, bool autoReDownload)
{
    DownloadScheduler scheduler;
    fill(scheduler.list(), static_cast<int>(state.range(0)));
    scheduler.setAutoReDownload(autoReDownload);
    QTimer *timerDown = scheduler.findChild<QTimer *>(QStringLiteral("Timer_Down"));
    for (auto _ : state) {
        scheduler.supervisionTick();
        // Automatic re-download enables the scheduler; stopped again, every tick takes the same path.
        timerDown->stop();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SupervisionTick(benchmark::State &state)
{
    supervisionTick(state, false);
}
void BM_SupervisionTickWithReDownload(benchmark::State &state)
{
    supervisionTick(state, true);
}
BENCHMARK(BM_SupervisionTick)->Arg(1000)->Arg(10000);
BENCHMARK(BM_SupervisionTickWithReDownload)->Arg(1000)->Arg(10000);

// Collects the mean time per iteration of every run, to print the ratios at the end.
class RatioReporter final : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> nsPerTick;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                nsPerTick[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("PAPERHARVEST_HOME", home.path().toUtf8());
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char *name : {"BM_SupervisionTick", "BM_SupervisionTickWithReDownload"}) {
        const std::string small = std::string(name) + "/1000";
        const std::string large = std::string(name) + "/10000";
        if (!reporter.nsPerTick.count(small) || !reporter.nsPerTick.count(large))
            continue;
        const double a = reporter.nsPerTick[small];
        const double b = reporter.nsPerTick[large];
        std::printf("%s: 1000 rows %.0f ns, 10000 rows %.0f ns, ratio 10000/1000 = %.2f\n", name, a, b, b / a);
    }
    benchmark::Shutdown();
    return 0;
}
