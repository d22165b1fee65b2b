// The list exchange at 100 000 rows against the sqlcipher shell (the sqlite3 shell built with SQLCipher), the
// tool people reach for to look into such a file. The shell gets the same work on the same kind of file: one
// transaction of inserts into a new, keyed 导出表, and one read of every record. The program is timed both as a
// plain call (ExportListFile, ReadListFile) and as the window runs it (in batches that hand control back to the
// event loop, the import filling the result list).
#include "core/search/ListExchange.h"
#include "core/search/ListExchangeRun.h"
#include "core/search/ResultListModel.h"
#include "core/store/DatabasePassword.h"
#include "core/store/VisitedDatabase.h"
#include "core/util/Prompt.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <time.h>
#include <vector>

namespace {
constexpr int kRows = 100'000;
constexpr int kRuns = 5; // the fastest run of each kind counts (a loaded machine spreads them)

// Wall time and processor time (user and system) of one piece of work, in ms. On a machine other work keeps
// busy the wall times wait for the processor by chance; the processor times compare the work itself.
struct Cost {
    double wall = 1e300;
    double cpu = 1e300;
    void keepFastest(const Cost &other)
    {
        wall = std::min(wall, other.wall);
        cpu = std::min(cpu, other.cpu);
    }
};

double ms(const timeval &t)
{
    return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
}

// The processor time of this process, or of its waited-for children, so far.
double cpuMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

QList<ListRecord> records()
{
    QList<ListRecord> out;
    out.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        out.append({QStringLiteral("https://xueshu.baidu.com/usercenter/paper/show?paperid=%1&site=xueshu_se")
                        .arg(qint64(i) * 7919, 12, 16, QLatin1Char('0')),
                    QStringLiteral("基于深度学习的图像识别方法研究（第%1篇）").arg(i),
                    i % 3 == 0 ? QStringLiteral("成功") : QString(), QStringLiteral("pdf"),
                    QStringLiteral("/home/user/12345/深度学习")});
    return out;
}

class SilentPrompt final : public Prompt
{
    void message(const QString &, Icon, const QString &) override {}
    bool ask(const QString &, const QString &) override { return false; }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return {}; }
};

Cost fastest(const std::function<void()> &work)
{
    Cost best;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = cpuMs(RUSAGE_SELF);
        work();
        best.keepFastest({clock.nsecsElapsed() / 1e6, cpuMs(RUSAGE_SELF) - cpuBefore});
    }
    return best;
}

QByteArray sqlText(const QByteArray &value)
{
    QByteArray quoted = value;
    quoted.replace('\'', "''");
    return '\'' + quoted + '\'';
}

QByteArray sqlText(const QString &value)
{
    return sqlText(value.toUtf8());
}

QByteArray keyHead()
{
    return "PRAGMA key = " + sqlText(DecodeStoredPassword(QString::fromLatin1(kStoredPasswordConstant))) + ";\n";
}

QByteArray insertScript(const QList<ListRecord> &rows)
{
    QByteArray script = keyHead() + QString::fromUtf16(VisitedDatabaseSql::kCreateExportTable).toUtf8() + ";\nBEGIN;\n";
    for (const ListRecord &r : rows)
        script += "INSERT INTO 导出表(L0,L1,L2,L3,L4) VALUES(" + sqlText(r.key) + ',' + sqlText(r.title) + ',' +
                  sqlText(r.status) + ',' + sqlText(r.type) + ',' + sqlText(r.folder) + ");\n";
    return script + "COMMIT;\n";
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// One shell run on `database` with `scriptPath` as input, its rows to /dev/null; nullopt when it fails.
std::optional<Cost> shellRun(const QString &shell, const QString &database, const QString &scriptPath)
{
    QProcess process;
    process.setStandardInputFile(scriptPath);
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = cpuMs(RUSAGE_CHILDREN);
    process.start(shell, {QStringLiteral("-batch"), QStringLiteral("-bail"), database});
    const bool finished = process.waitForFinished(-1);
    const Cost cost{clock.nsecsElapsed() / 1e6, cpuMs(RUSAGE_CHILDREN) - cpuBefore};
    const QByteArray errors = process.readAllStandardError();
    if (!finished || process.exitCode() != 0 || !errors.isEmpty()) {
        std::fprintf(stderr, "sqlcipher failed: %s\n", errors.constData());
        return std::nullopt;
    }
    return cost;
}

std::optional<Cost> fastestShell(const QString &shell, const QString &database, const QString &script, bool freshFile)
{
    Cost best;
    for (int i = 0; i < kRuns; ++i) {
        if (freshFile)
            QFile::remove(database);
        const auto cost = shellRun(shell, database, script);
        if (!cost)
            return std::nullopt;
        best.keepFastest(*cost);
    }
    return best;
}

void row(const char *what, std::optional<Cost> shell, Cost program)
{
    if (shell)
        std::printf("%-44s %10.1f %10.1f %7.2f %10.1f %10.1f %7.2f\n", what, shell->wall, program.wall,
                    program.wall / shell->wall, shell->cpu, program.cpu, program.cpu / shell->cpu);
    else
        std::printf("%-44s %10s %10.1f %7s %10s %10.1f %7s\n", what, "-", program.wall, "-", "-", program.cpu, "-");
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    SilentPrompt prompt;
    Prompt::install(&prompt);
    QTemporaryDir dir;
    const QList<ListRecord> rows = records();
    const QString programFile = dir.filePath(QStringLiteral("program.zxul"));
    const QString shellFile = dir.filePath(QStringLiteral("shell.zxul"));

    const Cost exportCost = fastest([&] {
        if (!ExportListFile(programFile, rows))
            qFatal("export failed");
    });
    int read = 0;
    const Cost readCost = fastest([&] {
        read = 0;
        if (!ReadListFile(programFile, [&](const ListRecord &) { ++read; }))
            qFatal("read failed");
    });
    if (read != kRows)
        qFatal("read %d of %d records", read, kRows);

    ResultListModel full;
    full.addRows([&] {
        QList<ResultRow> r;
        for (const ListRecord &l : rows)
            r.append({l.key, l.title, l.status, l.type, l.folder, {}});
        return r;
    }());
    ListExchangeView view;
    const Cost windowExportCost = fastest([&] {
        ListExchangeRun run(full, view);
        if (!QCoro::waitFor(run.exportRows(programFile, ListExportSet::All)))
            qFatal("window export failed");
    });
    // The filled lists outlive the timing: freeing 100 000 rows is the list's end, not part of the import.
    std::vector<std::unique_ptr<ResultListModel>> filled;
    const Cost windowImportCost = fastest([&] {
        filled.push_back(std::make_unique<ResultListModel>());
        ListExchangeRun run(*filled.back(), view);
        if (QCoro::waitFor(run.importFile(programFile)) != kRows)
            qFatal("window import lost rows");
    });
    filled.clear();

    std::optional<Cost> shellInsert;
    std::optional<Cost> shellRead;
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
    if (shell.isEmpty()) {
        std::printf("sqlcipher is not installed: no comparison\n");
    } else {
        const QString insertPath = dir.filePath(QStringLiteral("insert.sql"));
        const QString readPath = dir.filePath(QStringLiteral("read.sql"));
        if (!writeFile(insertPath, insertScript(rows)) || !writeFile(readPath, keyHead() + "select * from 导出表;\n"))
            qFatal("cannot write the shell scripts");
        shellInsert = fastestShell(shell, shellFile, insertPath, true);
        // The shell's file is read by the program too: both write the same format.
        int shellRows = 0;
        if (shellInsert && !ReadListFile(shellFile, [&](const ListRecord &) { ++shellRows; }))
            qFatal("the program cannot read the shell's file");
        if (shellInsert && shellRows != kRows)
            qFatal("the shell's file holds %d rows", shellRows);
        shellRead = fastestShell(shell, programFile, readPath, false);
    }

    std::printf("List exchange, %d rows, fastest of %d runs (ms; ratio = program / shell, goal <= 1.5); wall time, "
                "then processor time (user + system)\n",
                kRows, kRuns);
    std::printf("%-44s %10s %10s %7s %10s %10s %7s\n", "", "shell", "program", "ratio", "shell cpu", "program cpu",
                "ratio");
    row("export: inserts in one transaction", shellInsert, exportCost);
    row("export as the window runs it (in batches)", shellInsert, windowExportCost);
    row("import: read every record", shellRead, readCost);
    row("import as the window runs it (into the list)", shellRead, windowImportCost);
    Prompt::install(nullptr);
    return 0;
}
