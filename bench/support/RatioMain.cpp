#include "BenchSupport.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// Prints every run as the console reporter does and keeps its time for the ratio table.
class RatioReporter final : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration)
                continue;
            // CPU time: the benchmark machine is shared, and wall time would also count other programs' turns.
            const double ms = run.GetAdjustedCPUTime() * 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            m_times[run.run_name.function_name][run.run_name.args] = ms;
        }
    }

    void printRatios() const
    {
        std::printf("\nCPU time per operation\n%-32s %12s %12s %8s\n", "operation", "10 000 rows", "100 000 rows",
                    "ratio");
        for (const auto &[name, bySize] : m_times) {
            const auto small = bySize.find("10000");
            const auto large = bySize.find("100000");
            if (small == bySize.end() || large == bySize.end())
                continue;
            std::printf("%-32s %9.2f ms %9.2f ms %8.1f\n", name.c_str(), small->second, large->second,
                        large->second / small->second);
        }
    }

private:
    std::map<std::string, std::map<std::string, double>> m_times;
};

} // namespace

void EvictCaches()
{
    static std::vector<char> sweep(128u << 20);
    for (std::size_t i = 0; i < sweep.size(); i += 64)
        sweep[i] = char(sweep[i] + 1);
    benchmark::DoNotOptimize(sweep.data());
}

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
