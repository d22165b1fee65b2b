// Lookups and records against the visited-address table at 100 000 and 1 000 000 rows.
// The file is the real encrypted zxdata.db in a temporary data folder, filled through a second connection.
#include "core/store/Database.h"
#include "core/store/DatabasePassword.h"
#include "core/store/VisitedDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <random>

namespace {

QString addressFor(qint64 i)
{
    return QStringLiteral("http://xueshu.baidu.com/usercenter/paper/show?paperid=%1&site=xueshu_se")
        .arg(i * 7919, 12, 16, QLatin1Char('0'));
}

struct Table {
    std::unique_ptr<QTemporaryDir> dir;
    qint64 rows = 0;
};

std::map<qint64, Table> &tables()
{
    static std::map<qint64, Table> t;
    return t;
}

qint64 g_current = -1;

// Makes the visited-address database with `rows` rows the open one.
void useTable(qint64 rows)
{
    if (g_current == rows)
        return;
    CloseVisitedDatabase();
    Table &t = tables()[rows];
    if (!t.dir) {
        t.dir = std::make_unique<QTemporaryDir>();
        qputenv("PAPERHARVEST_HOME", t.dir->path().toUtf8());
        QString error;
        if (!OpenVisitedDatabase(&error))
            qFatal("cannot create: %s", qPrintable(error));
        CloseVisitedDatabase();
        QElapsedTimer clock;
        clock.start();
        Database db;
        if (!db.open(t.dir->filePath("zxdata.db"), DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant))))
            qFatal("cannot open: %s", qPrintable(db.lastError()));
        Transaction tx(db);
        Statement ins(db, QStringLiteral("insert into 访问表(网址,日期,文件名) values(?1,'2024-03-05',?2)"));
        for (qint64 i = 0; i < rows; ++i) {
            const QString a = addressFor(i);
            ins.reset();
            ins.bind(1, a.toLower()).bind(2, a);
            ins.run();
        }
        tx.commit();
        std::fprintf(stderr, "filled %lld rows in %.1f s\n", static_cast<long long>(rows), clock.elapsed() / 1000.0);
        t.rows = rows;
    }
    qputenv("PAPERHARVEST_HOME", t.dir->path().toUtf8());
    QString error;
    if (!OpenVisitedDatabase(&error))
        qFatal("cannot open: %s", qPrintable(error));
    g_current = rows;
}

void BM_LookupHit(benchmark::State &state)
{
    useTable(state.range(0));
    std::mt19937_64 rng(42);
    std::uniform_int_distribution<qint64> pick(0, state.range(0) - 1);
    for (auto _ : state) {
        QString a = addressFor(pick(rng));
        if (!IsVisitedAddress(a))
            state.SkipWithError("row not found");
    }
}

void BM_LookupMiss(benchmark::State &state)
{
    useTable(state.range(0));
    qint64 i = state.range(0) + 1;
    for (auto _ : state) {
        QString a = addressFor(i++);
        if (IsVisitedAddress(a))
            state.SkipWithError("unexpected row");
    }
}

// One committed row per call, as the analysis writes them.
void BM_Record(benchmark::State &state)
{
    useTable(state.range(0));
    static qint64 next = 50'000'000;
    for (auto _ : state) {
        QString a = addressFor(next++);
        if (!RecordVisitedAddress(a))
            state.SkipWithError("not recorded");
    }
}

BENCHMARK(BM_LookupHit)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupMiss)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Record)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond)->Iterations(300);

class Collector final : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs)
            if (r.iterations > 0 && !r.error_occurred) {
                std::string name = r.benchmark_name();
                if (const auto cut = name.find("/iterations:"); cut != std::string::npos)
                    name.erase(cut);
                perCall[name] = r.GetAdjustedRealTime(); // in the run's unit (µs)
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> perCall;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Collector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    CloseVisitedDatabase();

    std::printf("\n%-10s %14s %14s %8s\n", "", "100k rows µs", "1M rows µs", "growth");
    for (const char *name : {"BM_LookupHit", "BM_LookupMiss", "BM_Record"}) {
        const double small = reporter.perCall[std::string(name) + "/100000"];
        const double large = reporter.perCall[std::string(name) + "/1000000"];
        if (small > 0 && large > 0)
            std::printf("%-14s %10.2f %14.2f %8.2f\n", name + 3, small, large, large / small);
    }
    benchmark::Shutdown();
    return 0;
}
