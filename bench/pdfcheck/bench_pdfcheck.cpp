// The PDF check's speed and its effect on the downloads.
//
//   bench_pdfcheck make --out DIR [--count 1000] [--pages 10]       writes the PDFs (QPdfWriter)
//   bench_pdfcheck check --dir DIR                                  checks every PDF of DIR one after another
//   bench_pdfcheck download --urls FILE --out DIR --check off|on    downloads with the scheduler (3 transfers)
//
// Output, one line each: made=<n> bytes=<n>; checked=<n> ms=<n> per_file_ms=<x> files_per_s=<x> ok=<n>;
// files=<n> download_ms=<n> checks_done_ms=<n> checked=<n> failed=<n>.
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadScheduler.h"
#include "core/download/DownloadSettings.h"
#include "core/download/engines/InstallEngines.h"
#include "core/pdfcheck/PdfChecker.h"
#include "core/pdfcheck/PdfInspection.h"
#include "core/util/FileNameRules.h"
#include "pdfcheck/PdfFixtures.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <sys/resource.h>

namespace {
const QString kTitle = QStringLiteral("基于深度学习的学术文献自动获取方法研究 第%1篇");

int make(const QString &out, int count, int pages)
{
    QDir().mkpath(out);
    qint64 bytes = 0;
    for (int i = 0; i < count; ++i) {
        const QString path = QDir(out).filePath(QStringLiteral("paper%1.pdf").arg(i, 4, 10, QLatin1Char('0')));
        const QString title = kTitle.arg(i);
        if (!WritePdf(path, {title, title, QStringLiteral("DOI: 10.1000/bench.%1").arg(i), pages})) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        bytes += QFileInfo(path).size();
    }
    std::printf("made=%d bytes=%lld\n", count, static_cast<long long>(bytes));
    return 0;
}

int check(const QString &dir)
{
    const QStringList names = QDir(dir).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    QElapsedTimer timer;
    timer.start();
    int ok = 0;
    for (int i = 0; i < names.size(); ++i)
        ok += InspectPdf(QDir(dir).filePath(names[i]), kTitle.arg(i)).verdict == PdfVerdict::Ok;
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("checked=%lld ms=%.0f per_file_ms=%.2f files_per_s=%.1f ok=%d\n", static_cast<long long>(names.size()),
                ms, names.isEmpty() ? 0.0 : ms / double(names.size()), ms > 0 ? names.size() * 1000.0 / ms : 0.0, ok);
    return ok == names.size() ? 0 : 1;
}

int download(QGuiApplication &app, const QString &urls, const QString &out, bool withCheck)
{
    QFile list(urls);
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot read the address list\n");
        return 2;
    }
    DownloadSettings::program().maxFileSizeMb = 1e9;
    DownloadScheduler scheduler;
    InstallEngines(scheduler);
    scheduler.setMode(2);
    scheduler.setThreads(3);
    scheduler.setPauseSeconds(0);
    scheduler.setSameNameChoice(QStringLiteral("覆盖"));
    scheduler.setSoundEnabled(false);
    DownloadListModel &model = scheduler.list();
    for (const QByteArray &line : list.readAll().split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        DownloadItem item;
        item.address = QString::fromUtf8(line.trimmed());
        QString base;
        item.type = SplitFileName(FileNameFromPath(item.address), base);
        item.name = base;
        item.folder = out + QLatin1Char('/');
        model.append(item);
    }

    PdfChecker checker;
    QElapsedTimer timer;
    qint64 downloadMs = -1;
    qint64 checksMs = -1;
    // The main thread's own processor time and the times it was put off a processor it still wanted, up to the
    // downloads' end: more time for the same work is interference in the hardware (shared caches, a sibling thread,
    // the clock), more put-offs with the same time is interference in the scheduler.
    rusage mainAtEnd{};
    int checked = 0;
    QSet<int> started;
    const auto maybeQuit = [&] {
        if (downloadMs >= 0 && checker.pending() == 0) {
            checksMs = timer.elapsed();
            app.quit();
        }
    };
    QObject::connect(&checker, &PdfChecker::checked, &app, [&] { ++checked; });
    // As the batch and the download window do: the checks rest while transfers run.
    QObject::connect(&model, &QAbstractItemModel::dataChanged, &app,
                     [&] { checker.setPaced(withCheck && model.count(ItemState::Downloading) > 0); });
    QObject::connect(&checker, &PdfChecker::allChecked, &app, maybeQuit);
    QObject::connect(
        &model, &QAbstractItemModel::dataChanged, &app,
        [&](const QModelIndex &from, const QModelIndex &to) {
            for (int row = from.row(); withCheck && row <= to.row(); ++row) {
                const DownloadItem &item = model.item(row);
                if (item.state == ItemState::Done && !started.contains(row)) {
                    started.insert(row);
                    checker.check(item.address, ItemFilePath(item), item.name);
                }
            }
            if (downloadMs < 0 && model.isFinished()) {
                downloadMs = timer.elapsed();
                getrusage(RUSAGE_THREAD, &mainAtEnd);
                maybeQuit();
            }
        },
        Qt::QueuedConnection);
    timer.start();
    scheduler.StartDownloads();
    app.exec();
    const auto ms = [](const timeval &t) { return static_cast<long long>(t.tv_sec) * 1000 + t.tv_usec / 1000; };
    std::printf("files=%d download_ms=%lld checks_done_ms=%lld checked=%d failed=%d main_cpu_ms=%lld "
                "main_put_off=%ld\n",
                model.size(), static_cast<long long>(downloadMs), static_cast<long long>(checksMs), checked,
                model.count(ItemState::Failed), ms(mainAtEnd.ru_utime) + ms(mainAtEnd.ru_stime), mainAtEnd.ru_nivcsw);
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("mode"), QStringLiteral("make, check or download"));
    parser.addOptions(
        {{QStringLiteral("out"), QStringLiteral("Folder to write into."), QStringLiteral("dir")},
         {QStringLiteral("dir"), QStringLiteral("Folder of PDFs to check."), QStringLiteral("dir")},
         {QStringLiteral("count"), QStringLiteral("PDFs to make."), QStringLiteral("n"), QStringLiteral("1000")},
         {QStringLiteral("pages"), QStringLiteral("Pages per PDF."), QStringLiteral("n"), QStringLiteral("10")},
         {QStringLiteral("urls"), QStringLiteral("One address per line."), QStringLiteral("file")},
         {QStringLiteral("check"), QStringLiteral("off or on."), QStringLiteral("mode"), QStringLiteral("on")}});
    parser.addHelpOption();
    parser.process(app);
    const QString mode = parser.positionalArguments().value(0);
    if (mode == QLatin1String("make"))
        return make(parser.value(QStringLiteral("out")), parser.value(QStringLiteral("count")).toInt(),
                    parser.value(QStringLiteral("pages")).toInt());
    if (mode == QLatin1String("check"))
        return check(parser.value(QStringLiteral("dir")));
    if (mode == QLatin1String("download"))
        return download(app, parser.value(QStringLiteral("urls")), parser.value(QStringLiteral("out")),
                        parser.value(QStringLiteral("check")) == QLatin1String("on"));
    parser.showHelp(2);
}
