#include "core/search/ResultListModel.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

const QStringList kStatuses = {QStringLiteral("成功"),           QStringLiteral("失败"),  QString(),
                               QStringLiteral("跳过(文件存在)"), QStringLiteral("无pdf"), QStringLiteral("失败(下载)")};

// A title like the service's: a few Chinese words with an English term now and then.
QString title(QRandomGenerator &rng)
{
    static const QStringList words = {QStringLiteral("深度"), QStringLiteral("学习"),     QStringLiteral("神经"),
                                      QStringLiteral("网络"), QStringLiteral("图像"),     QStringLiteral("识别"),
                                      QStringLiteral("机器"), QStringLiteral("翻译"),     QStringLiteral("知识"),
                                      QStringLiteral("图谱"), QStringLiteral("Learning"), QStringLiteral("CNN"),
                                      QStringLiteral("研究"), QStringLiteral("综述"),     QStringLiteral("方法")};
    QString t;
    const int n = 3 + int(rng.bounded(6));
    for (int i = 0; i < n; ++i)
        t += words.at(int(rng.bounded(words.size())));
    return t;
}

// `count` rows as a harvest makes them; `statusOf(i)` gives row i's status.
template <typename StatusOf> std::vector<ResultRow> makeRows(int count, StatusOf statusOf)
{
    std::vector<ResultRow> rows;
    rows.reserve(std::size_t(count));
    QRandomGenerator rng(42);
    for (int i = 0; i < count; ++i) {
        rows.push_back({QStringLiteral("http://xueshu.baidu.com/usercenter/paper/show?paperid=%1&site=xueshu_se")
                            .arg(i, 8, 16, QLatin1Char('0')),
                        title(rng), statusOf(i), QStringLiteral("htm"), QStringLiteral("/home/u/12345"),
                        QStringLiteral("http://xueshu.baidu.com/s?wd=x&pn=%1").arg(i / 10 * 10)});
    }
    return rows;
}

template <typename StatusOf> std::unique_ptr<ResultListModel> makeList(int count, StatusOf statusOf)
{
    auto list = std::make_unique<ResultListModel>();
    for (const ResultRow &row : makeRows(count, statusOf))
        list->addRow(row);
    return list;
}

std::unique_ptr<ResultListModel> mixedList(int rows)
{
    return makeList(rows, [](int i) { return kStatuses.at(i % kStatuses.size()); });
}

// Pushes the list out of the processor caches, as it is when the user picks a command some time after the rows
// came in. Without it the 10 000-row list (a few MB) would be timed straight from the cache it was built in and
// the 100 000-row one (some 40 MB) from memory, and the ratio would measure the cache, not the work.
void evictCaches()
{
    static std::vector<char> sweep(128u << 20);
    for (std::size_t i = 0; i < sweep.size(); i += 64)
        sweep[i] = char(sweep[i] + 1);
    benchmark::DoNotOptimize(sweep.data());
}

// Removal with the fixture rebuilt outside the timing.
template <typename Make, typename Remove> void removal(benchmark::State &state, Make make, Remove remove)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto list = make(rows);
        evictCaches();
        state.ResumeTiming();
        benchmark::DoNotOptimize(remove(*list));
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}

void BM_Add(benchmark::State &state)
{
    const std::vector<ResultRow> rows =
        makeRows(int(state.range(0)), [](int i) { return kStatuses.at(i % kStatuses.size()); });
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<ResultListModel>();
        evictCaches();
        state.ResumeTiming();
        for (const ResultRow &row : rows)
            list->加入LV1(row.title, row.key, row.sourcePage, row.saveFolder, row.type);
        benchmark::DoNotOptimize(list->rowCount());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}

void BM_RemoveSuccess_Scattered(benchmark::State &state)
{
    removal(state, mixedList, [](ResultListModel &l) { return l.removeStatusGroup(QStringLiteral("成功")); });
}

void BM_RemoveSkip_FewStretches(benchmark::State &state)
{
    // Skipped rows in eight blocks: removed with row signals, one stretch at a time.
    removal(
        state,
        [](int rows) {
            return makeList(rows, [rows](int i) {
                return (i * 16 / rows) % 2 ? QStringLiteral("跳过(曾经下载)") : QStringLiteral("成功");
            });
        },
        [](ResultListModel &l) { return l.removeStatusGroup(QStringLiteral("跳过")); });
}

void BM_RemoveTitleNotContaining(benchmark::State &state)
{
    removal(state, mixedList,
            [](ResultListModel &l) { return l.removeTitleMatching(QStringLiteral("learning"), false); });
}

void BM_RemoveSelected_EveryTenth(benchmark::State &state)
{
    removal(state, mixedList, [](ResultListModel &l) {
        QList<int> selected;
        for (int r = 0; r < l.rowCount(); r += 10)
            selected.append(r);
        return l.removeRowsAt(selected);
    });
}

void BM_SortTitle(benchmark::State &state)
{
    removal(state, mixedList, [](ResultListModel &l) { return int(l.sortByHeader(ResultListModel::TitleColumn)); });
}

void BM_SortStatus(benchmark::State &state)
{
    removal(state, mixedList, [](ResultListModel &l) { return int(l.sortByHeader(ResultListModel::StatusColumn)); });
}

// Keeps every run's time so the ratio between the two sizes can be printed at the end.
class RatioReporter final : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            const std::string name = run.run_name.function_name;
            // CPU time: the benchmark machine is shared, and wall time would also count other programs' turns.
            const double ms = run.GetAdjustedCPUTime() * 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            times[name][run.run_name.args] = ms;
        }
    }

    void printRatios() const
    {
        std::printf("\nCPU time per operation\n%-32s %12s %12s %8s\n", "operation", "10 000 rows", "100 000 rows",
                    "ratio");
        for (const auto &[name, bySize] : times) {
            const auto small = bySize.find("10000");
            const auto large = bySize.find("100000");
            if (small == bySize.end() || large == bySize.end())
                continue;
            std::printf("%-32s %9.2f ms %9.2f ms %8.1f\n", name.c_str(), small->second, large->second,
                        large->second / small->second);
        }
    }

private:
    std::map<std::string, std::map<std::string, double>> times;
};

} // namespace

BENCHMARK(BM_Add)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveSuccess_Scattered)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveSkip_FewStretches)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveTitleNotContaining)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveSelected_EveryTenth)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortTitle)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortStatus)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
