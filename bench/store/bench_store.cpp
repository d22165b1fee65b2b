// Lookups and records against the visited-address table at 100 000 and 1 000 000 rows.
// The file is the real encrypted zxdata.db in a temporary data folder, filled through a second connection.
// Afterwards the same lookups go through the sqlcipher shell (the sqlite3 shell built with SQLCipher), the tool
// people reach for to look into such a file, so the program's figure has a known yardstick.
#include "core/store/Database.h"
#include "core/store/DatabasePassword.h"
#include "core/store/VisitedDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
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

// ---- The same lookups through the sqlcipher shell ----

constexpr int kCompareLookups = 10'000; // half present, half absent
constexpr int kCompareRuns = 3;         // the fastest run of each kind counts

// The addresses to look up, present and absent interleaved in a fixed random order.
QStringList comparisonAddresses(qint64 rows)
{
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<qint64> pick(0, rows - 1);
    QStringList list;
    list.reserve(kCompareLookups);
    for (int i = 0; i < kCompareLookups / 2; ++i) {
        list << addressFor(pick(rng));
        list << addressFor(rows + 1 + i);
    }
    std::shuffle(list.begin(), list.end(), rng);
    return list;
}

// The text the program keeps in 网址 for an address: quotes removed, lower-cased, cut to 500 characters.
QString storedForm(QString address)
{
    return address.remove(QLatin1Char('\'')).toLower().left(500);
}

QByteArray sqlText(const QByteArray &value)
{
    QByteArray quoted = value;
    quoted.replace('\'', "''");
    return '\'' + quoted + '\'';
}

// PRAGMA key with the program's password, then one read of the schema so the key is derived and checked before
// any lookup; the empty script stops there.
QByteArray scriptHead()
{
    return "PRAGMA key = " + sqlText(DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant))) +
           ";\nselect count(*) from sqlite_master;\n";
}

QByteArray lookupScript(const QStringList &addresses)
{
    QByteArray script = scriptHead();
    for (const QString &a : addresses)
        script += "select id from 访问表 where 网址=" + sqlText(storedForm(a).toUtf8()) + " limit 1;\n";
    return script;
}

struct ShellRun {
    double ms = 0;
    QByteArray output;
};

// Runs one sqlcipher process on `database` with `scriptPath` as its input. With `keepOutput` false the rows go to
// /dev/null (the timed runs); otherwise they are returned for checking. Empty when the shell fails.
std::optional<ShellRun> runShell(const QString &shell, const QString &database, const QString &scriptPath,
                                 bool keepOutput)
{
    QProcess process;
    process.setStandardInputFile(scriptPath);
    if (!keepOutput)
        process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(shell, {QStringLiteral("-batch"), QStringLiteral("-bail"), database});
    const bool finished = process.waitForFinished(-1);
    ShellRun run{clock.nsecsElapsed() / 1e6, {}};
    const QByteArray errors = process.readAllStandardError();
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || !errors.isEmpty()) {
        std::fprintf(stderr, "sqlcipher failed (exit %d): %s\n", process.exitCode(), errors.constData());
        return std::nullopt;
    }
    if (keepOutput)
        run.output = process.readAllStandardOutput();
    return run;
}

std::optional<double> fastestShell(const QString &shell, const QString &database, const QString &scriptPath)
{
    std::optional<double> best;
    for (int i = 0; i < kCompareRuns; ++i) {
        const auto run = runShell(shell, database, scriptPath, false);
        if (!run)
            return std::nullopt;
        best = std::min(best.value_or(run->ms), run->ms);
    }
    return best;
}

struct ProgramRun {
    double openMs = 0;
    double lookupMs = 0;
    int found = 0;
};

// The same lookups through IsVisitedAddress, each run on a connection opened just before (so, like the shell,
// it starts with an empty page cache); the opening is timed apart.
ProgramRun fastestProgram(qint64 rows, const QStringList &addresses)
{
    ProgramRun best{1e300, 1e300, 0};
    for (int i = 0; i < kCompareRuns; ++i) {
        CloseVisitedDatabase();
        g_current = -1;
        QElapsedTimer clock;
        clock.start();
        useTable(rows);
        const double openMs = clock.nsecsElapsed() / 1e6;
        int found = 0;
        clock.restart();
        for (const QString &a : addresses) {
            QString address = a;
            found += IsVisitedAddress(address) ? 1 : 0;
        }
        const double lookupMs = clock.nsecsElapsed() / 1e6;
        best = {std::min(best.openMs, openMs), std::min(best.lookupMs, lookupMs), found};
    }
    return best;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

void compareWithShell()
{
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
    std::printf("\nAgainst the sqlcipher shell: %d lookups (half present, half absent), fastest of %d runs\n",
                kCompareLookups, kCompareRuns);
    if (shell.isEmpty()) {
        std::printf("sqlcipher is not installed: comparison skipped\n");
        return;
    }
    if (DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant)).contains('\0')) {
        std::printf("the password holds a zero byte, which PRAGMA key cannot carry: comparison skipped\n");
        return;
    }
    std::printf("%-9s %9s %9s %9s %10s %9s %10s %10s\n", "rows", "shell ms", "empty ms", "net ms", "program ms",
                "open ms", "ratio raw", "ratio net");
    for (const qint64 rows : {qint64{100'000}, qint64{1'000'000}}) {
        useTable(rows);
        const QTemporaryDir &dir = *tables()[rows].dir;
        const QString database = dir.filePath(QStringLiteral("zxdata.db"));
        const QString lookupsPath = dir.filePath(QStringLiteral("lookups.sql"));
        const QString emptyPath = dir.filePath(QStringLiteral("empty.sql"));
        const QStringList addresses = comparisonAddresses(rows);
        if (!writeFile(lookupsPath, lookupScript(addresses)) || !writeFile(emptyPath, scriptHead()))
            qFatal("cannot write the shell scripts");

        const ProgramRun program = fastestProgram(rows, addresses);
        CloseVisitedDatabase(); // the shell reads the file alone
        g_current = -1;

        // One untimed run whose rows are kept: the count of the schema plus one id per present address shows the
        // shell opened the file with the right key and found what the program found.
        const auto check = runShell(shell, database, lookupsPath, true);
        const auto full = fastestShell(shell, database, lookupsPath);
        const auto empty = fastestShell(shell, database, emptyPath);
        if (!check || !full || !empty) {
            std::printf("%-9lld sqlcipher failed: comparison skipped\n", static_cast<long long>(rows));
            continue;
        }
        const int shellFound = static_cast<int>(check->output.count('\n')) - 1;
        if (shellFound != kCompareLookups / 2 || program.found != kCompareLookups / 2)
            std::printf("%-9lld found: shell %d, program %d, expected %d\n", static_cast<long long>(rows), shellFound,
                        program.found, kCompareLookups / 2);
        const double net = *full - *empty;
        std::printf("%-9lld %9.1f %9.1f %9.1f %10.1f %9.1f %10.3f %10.3f\n", static_cast<long long>(rows), *full,
                    *empty, net, program.lookupMs, program.openMs, program.lookupMs / *full,
                    net > 0 ? program.lookupMs / net : 0.0);
    }
    std::printf(
        "shell ms:   one sqlcipher process reading a script: PRAGMA key, one read of the schema, then one\n"
        "            select per address with its text inlined, rows to /dev/null. Includes process start,\n"
        "            key derivation and parsing every statement anew.\n"
        "empty ms:   the same process with only PRAGMA key and the schema read (start + key derivation).\n"
        "net ms:     shell ms - empty ms, the shell's lookups alone.\n"
        "program ms: IsVisitedAddress in this process on a connection opened just before (one prepared\n"
        "            statement, bound parameter); open ms is that opening (key derivation included), apart.\n"
        "ratio raw:  program ms / shell ms;  ratio net: program ms / net ms (below 1: the program is faster).\n");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Collector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%-10s %14s %14s %8s\n", "", "100k rows µs", "1M rows µs", "growth");
    for (const char *name : {"BM_LookupHit", "BM_LookupMiss", "BM_Record"}) {
        const double small = reporter.perCall[std::string(name) + "/100000"];
        const double large = reporter.perCall[std::string(name) + "/1000000"];
        if (small > 0 && large > 0)
            std::printf("%-14s %10.2f %14.2f %8.2f\n", name + 3, small, large, large / small);
    }
    compareWithShell();
    CloseVisitedDatabase();
    benchmark::Shutdown();
    return 0;
}
