// Downloads a list of addresses with engine 2 and prints the wall time and the peak resident memory, so that the
// comparison script can set them beside curl and aria2c on the same files.
//
//   bench_download_engine --urls list.txt --out DIR [--slots 3] [--driver engine|scheduler]
//
// driver "engine" (default) fills every free slot as soon as one frees, which is what the engine itself can do;
// driver "scheduler" runs the download window's scheduler with its one-second tick, as a user sees it.
// Output, one line: files=<n> bytes=<n> wall_ms=<n> rss_before_kb=<n> peak_rss_kb=<n> failed=<n>
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadScheduler.h"
#include "core/download/DownloadSettings.h"
#include "core/download/SameNameRules.h"
#include "core/download/engines/Engine2.h"
#include "core/download/engines/InstallEngines.h"
#include "core/util/FileNameRules.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {
// A value of /proc/self/status in kB (VmRSS, VmHWM); 0 where there is no such file.
long statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLong();
    return 0;
}

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The download window without a window: the list and the run state the engine talks to.
class BenchContext final : public DownloadContext
{
public:
    DownloadListModel &list() override { return model; }
    bool busyFlag() const override { return busy; }
    void setBusyFlag(bool value) override { busy = value; }
    int slotRow(int slot) const override { return slot >= 0 && slot < kSlotRowSize ? rows[slot] : -1; }
    void setSlotRow(int slot, int row) override
    {
        if (slot >= 0 && slot < kSlotRowSize)
            rows[slot] = row;
    }
    void markTransferEnd() override
    {
        if (onTransferEnd)
            onTransferEnd();
    }
    void markFileWritten() override
    {
        if (onTransferEnd)
            onTransferEnd();
    }
    const DownloadSettings &settings() const override { return downloadSettings; }
    QString sameNameChoice() const override { return QStringLiteral("覆盖"); }
    bool soundEnabled() const override { return false; }
    bool autoLocate() const override { return false; }
    bool autoLoginChecked() const override { return false; }
    void scrollToRow(int) override {}
    void setStatusText(int, const QString &) override {}
    void playSound(int) override {}
    void runAutoLogin() override {}

    DownloadListModel model;
    DownloadSettings downloadSettings;
    bool busy = false;
    int rows[kSlotRowSize] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    std::function<void()> onTransferEnd;
};

DownloadItem itemFor(const QString &address, const QString &folder)
{
    DownloadItem item;
    item.address = address;
    QString base;
    const QString extension = SplitFileName(FileNameFromPath(address), base);
    item.name = base;
    item.type = extension;
    item.folder = FolderWithSeparator(folder);
    return item;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions(
        {{QStringLiteral("urls"), QStringLiteral("File with one address per line."), QStringLiteral("file")},
         {QStringLiteral("out"), QStringLiteral("Folder to save into."), QStringLiteral("dir")},
         {QStringLiteral("slots"), QStringLiteral("Concurrent transfers (1-6)."), QStringLiteral("n"),
          QStringLiteral("3")},
         {QStringLiteral("driver"), QStringLiteral("engine or scheduler."), QStringLiteral("name"),
          QStringLiteral("engine")}});
    parser.addHelpOption();
    parser.process(app);

    QFile list(parser.value(QStringLiteral("urls")));
    if (!list.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot read the address list\n");
        return 2;
    }
    QStringList addresses;
    for (const QByteArray &line : list.readAll().split('\n'))
        if (!line.trimmed().isEmpty())
            addresses.append(QString::fromUtf8(line.trimmed()));
    const QString out = parser.value(QStringLiteral("out"));
    const int slotCount = std::clamp(parser.value(QStringLiteral("slots")).toInt(), 1, kMaxSlots);
    const bool viaScheduler = parser.value(QStringLiteral("driver")) == QLatin1String("scheduler");

    // No file is too big for the benchmark.
    DownloadSettings::program().maxFileSizeMb = 1e9;
    const long rssBefore = statusKb("VmRSS:");
    const long hwmBefore = statusKb("VmHWM:");
    QElapsedTimer wall;
    DownloadListModel *model = nullptr;

    BenchContext context;
    context.downloadSettings.maxFileSizeMb = 1e9;
    std::unique_ptr<Engine2> engine;
    std::unique_ptr<DownloadScheduler> scheduler;

    auto finishedCheck = [&] {
        if (model->isFinished())
            QCoreApplication::quit();
    };

    if (viaScheduler) {
        scheduler = std::make_unique<DownloadScheduler>();
        InstallEngines(*scheduler);
        scheduler->setMode(2);
        scheduler->setThreads(slotCount);
        scheduler->setPauseSeconds(0);
        scheduler->setSameNameChoice(QStringLiteral("覆盖"));
        DownloadSettings::program().maxFileSizeMb = 1e9;
        model = &scheduler->list();
        for (const QString &a : addresses)
            model->append(itemFor(a, out));
        QObject::connect(model, &QAbstractItemModel::dataChanged, &app, finishedCheck, Qt::QueuedConnection);
        wall.start();
        scheduler->StartDownloads();
    } else {
        model = &context.model;
        for (const QString &a : addresses)
            model->append(itemFor(a, out));
        engine = std::make_unique<Engine2>(context);
        int next = 0;
        // The scheduler's walk for each free slot, without waiting for its next tick.
        auto fill = [&] {
            for (int slot = 1; slot <= slotCount; ++slot) {
                if (engine->slotLoaded(slot))
                    continue;
                while (next < model->size() && model->item(next).state != ItemState::Waiting)
                    ++next;
                if (next >= model->size())
                    break;
                const DownloadItem &item = model->item(next);
                const QString target =
                    重命名保存路径(item.folder, item.name, item.type, SameNameOption::Overwrite, nullptr);
                context.setSlotRow(slot, next);
                engine->多线程下载(slot, next, item.address, target);
                ++next;
            }
            finishedCheck();
        };
        // A slot frees inside the engine's handler; the refill runs right after it.
        context.onTransferEnd = [&] { QTimer::singleShot(0, &app, fill); };
        wall.start();
        fill();
    }

    app.exec();
    const qint64 ms = wall.elapsed();

    qint64 bytes = 0;
    int failed = 0;
    for (int row = 0; row < model->size(); ++row) {
        bytes += QFileInfo(ItemFilePath(model->item(row))).size();
        if (model->item(row).state != ItemState::Done)
            ++failed;
    }
    std::printf("files=%d bytes=%lld wall_ms=%lld rss_before_kb=%ld hwm_before_kb=%ld peak_rss_kb=%ld failed=%d\n",
                int(model->size()), static_cast<long long>(bytes), static_cast<long long>(ms), rssBefore, hwmBefore,
                peakRssKb(), failed);
    return failed == 0 ? 0 : 1;
}
