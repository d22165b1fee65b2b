// bench_road: the whole headless road, `paperharvest batch` from one keyword to 1 000 downloaded files, over a
// generated site on loopback (50 result pages, 1 000 document pages, 1 000 files of 32 KB, no delay), beside the
// floor measured in the same run: curl fetching the same 1 050 pages and 1 000 files one after another. Prints the
// seconds per result of both, their ratio, and the peak memory of the program's whole process tree (the browser's
// helper processes included).
//
// The site runs in a child process (this binary with --serve), so neither client shares an event loop with it.
#include "ProcessTreeMemory.h"
#include "RoadSite.h"

#include <QCoreApplication>
#include <QCoroProcess>
#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {
int serve()
{
    FixtureHttpServer server;
    RoadSite site(server);
    std::printf("%s\n", qPrintable(site.base()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}

struct Timed {
    double seconds = 0;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    // Seconds from the start until the first and the last progress line of the search, and until the first line of
    // the analysis and of the downloads, which run beside the search.
    double searchBegan = 0;
    double searchEnded = 0;
    double analysisBegan = 0;
    double downloadsBegan = 0;
    std::unique_ptr<ProcessTreeMemory> memory;
};

QCoro::Task<Timed> timedRun(QString program, QStringList arguments, QProcessEnvironment environment, bool sampleMemory)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    Timed t;
    QElapsedTimer clock;
    qsizetype lineStart = 0;
    QObject::connect(&process, &QProcess::readyReadStandardError, &process, [&] {
        t.err += process.readAllStandardError();
        const double now = double(clock.nsecsElapsed()) / 1e9;
        for (qsizetype end; (end = t.err.indexOf('\n', lineStart)) >= 0; lineStart = end + 1) {
            const QByteArrayView line = QByteArrayView(t.err).sliced(lineStart, end - lineStart);
            if (line.startsWith("search ")) {
                if (t.searchBegan == 0)
                    t.searchBegan = now;
                t.searchEnded = now;
            } else if (line.startsWith("analysed ") && t.analysisBegan == 0) {
                t.analysisBegan = now;
            } else if (line.startsWith("file ") && t.downloadsBegan == 0) {
                t.downloadsBegan = now;
            }
        }
    });
    clock.start();
    process.start(program, arguments);
    co_await qCoro(process).waitForStarted();
    if (sampleMemory)
        t.memory = std::make_unique<ProcessTreeMemory>(process.processId());
    co_await qCoro(process).waitForFinished(std::chrono::hours(1));
    t.seconds = double(clock.nsecsElapsed()) / 1e9;
    if (t.memory)
        t.memory->stop();
    t.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    t.out = process.readAllStandardOutput();
    t.err += process.readAllStandardError();
    co_return t;
}

// The curl configuration of the floor: every page to /dev/null and every file into `folder`, one after another
// over one connection, in the order the road fetches them.
bool writeCurlConfig(const QString &path, const QString &base, const QString &folder)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    for (const QString &page : RoadSite::resultPages(base) + RoadSite::documentPages(base))
        f.write(QStringLiteral("url = \"%1\"\noutput = \"/dev/null\"\n").arg(page).toUtf8());
    const QStringList files = RoadSite::files(base);
    for (int i = 0; i < files.size(); ++i)
        f.write(QStringLiteral("url = \"%1\"\noutput = \"%2/p%3.pdf\"\n").arg(files.at(i), folder).arg(i).toUtf8());
    return true;
}

QCoro::Task<int> bench(QString base)
{
    const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
    if (curl.isEmpty()) {
        std::fprintf(stderr, "curl is missing\n");
        co_return 1;
    }
    QTemporaryDir work;
    const QString home = work.filePath(QStringLiteral("home"));
    const QString out = work.filePath(QStringLiteral("out"));
    const QString floorOut = work.filePath(QStringLiteral("floor"));
    QDir().mkpath(home);
    QDir().mkpath(floorOut);

    // The floor.
    const QString config = work.filePath(QStringLiteral("curl.cfg"));
    if (!writeCurlConfig(config, base, floorOut))
        co_return 1;
    // Named, not braced temporaries inside the co_await: GCC 12 mishandles those.
    const QStringList curlArguments{QStringLiteral("-s"), QStringLiteral("-K"), config};
    const Timed floor = co_await timedRun(curl, curlArguments, QProcessEnvironment::systemEnvironment(), false);
    const int floorFiles = int(QDir(floorOut).entryList(QDir::Files).size());

    // The road.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PAPERHARVEST_HOME"), home);
    env.insert(QStringLiteral("PAPERHARVEST_SEARCH_BASE"), base);
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!env.contains(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS")))
        env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), QStringLiteral("--no-sandbox --disable-gpu"));
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    const QStringList roadArguments{
        QStringLiteral("batch"), QStringLiteral("--delay"), QStringLiteral("0"), QStringLiteral("--out"), out,
        RoadSite::keyword()};
    const QString program = QStringLiteral(PH_PROGRAM);
    const Timed road = co_await timedRun(program, roadArguments, env, true);
    const ProcessTreeMemory &memory = *road.memory;
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    const int roadFiles = int(QDir(out).entryList(QDir::Files).size());

    const double results = RoadSite::kResults;
    std::printf("road: paperharvest batch, exit %d, %d files, %.2f s, %.2f ms per result\n", road.exitCode, roadFiles,
                road.seconds, road.seconds / results * 1000);
    std::printf("  search: first page after %.2f s, last after %.2f s; analysis and downloads beside it from %.2f and "
                "%.2f s, ended %.2f s after the search\n",
                road.searchBegan, road.searchEnded, road.analysisBegan, road.downloadsBegan,
                road.seconds - road.searchEnded);
    std::printf("floor: curl in sequence, exit %d, %d files, %.2f s, %.2f ms per result\n", floor.exitCode, floorFiles,
                floor.seconds, floor.seconds / results * 1000);
    std::printf("ratio road/floor: %.2f (goal <= 3)\n", floor.seconds > 0 ? road.seconds / floor.seconds : 0.0);
    // The goal is held against PSS: the browser's helper processes map the same libraries as the program, and RSS
    // counts those shared pages once in every process that maps them.
    std::printf("tree peak: %.1f MB PSS (goal <= 300 MB), %.1f MB RSS summed over %d processes at most (shared pages "
                "counted in each); largest single process %.1f MB RSS\n",
                double(memory.peakPssBytes()) / 1048576.0, double(memory.peakRssBytes()) / 1048576.0,
                memory.mostProcesses(), double(children.ru_maxrss) / 1024.0);
    if (road.exitCode != 0 || roadFiles != RoadSite::kResults) {
        std::fprintf(stderr, "the road did not end as it should:\n%s\n%s\n", road.out.constData(),
                     road.err.right(4000).constData());
        co_return 1;
    }
    std::printf("%s", road.out.constData());
    co_return 0;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--serve")
        return serve();
    QProcess server;
    server.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--serve")});
    if (!server.waitForStarted() || !server.waitForReadyRead(10000)) {
        std::fprintf(stderr, "the site did not start\n");
        return 1;
    }
    const QString base = QString::fromUtf8(server.readLine().trimmed());
    const int status = QCoro::waitFor(bench(base));
    server.kill();
    server.waitForFinished();
    return status;
}
