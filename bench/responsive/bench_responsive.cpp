// bench_responsive: how long the windows' main thread stops answering during the long operations, measured as a
// 10 ms heartbeat's worst lateness (the gap between two of its ticks beyond 10 ms). The stages, in the program's
// own windows on the offscreen platform:
//   - the road of 1 000 results over a generated site on loopback: the batch search walking 50 result pages, the
//     analysis of every row, the download window fetching the 1 000 files;
//   - a 100 000-row list exchange file imported into the main window's list, the list sorted by a header click
//     (twice, each way), exported as a list exchange file and as CSV, RIS and BibTeX, and cleared of its done rows.
// Prints each stage's worst stall, with FAILED beside any over 100 ms (the goal). With --lists-only the road is left
// out.
//
// The site runs in a child process (this binary with --serve), so its work never stalls the measured thread. The
// pauses the windows keep between pages pass at once (a ManualClock, as in the tests), so the road is all work.
#include "Heartbeat.h"
#include "RoadSite.h"

#include "core/download/DownloadListModel.h"
#include "core/download/DownloadScheduler.h"
#include "core/run/RunFlags.h"
#include "core/search/ListExchange.h"
#include "core/search/ListExchangeRun.h"
#include "core/search/ReferenceExport.h"
#include "core/search/ResultListModel.h"
#include "core/store/Settings.h"
#include "core/store/VisitedDatabase.h"
#include "gui/ModalAnswerer.h"
#include "gui/fCover/fCover.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/fWebSearch/DraggablePanel.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"
#include "web/WebEngineEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeView>
#include <cstdio>

namespace {
constexpr double kGoalMs = 100;
constexpr int kListRows = 100'000;
constexpr std::chrono::seconds kLongestPause{5};

int serve()
{
    FixtureHttpServer server;
    RoadSite site(server);
    std::printf("%s\n", qPrintable(site.base()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}

QWidget *topLevel(const QString &name)
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        if (w->objectName() == name && w->isVisible())
            return w;
    return nullptr;
}

// Lets the heartbeat's next ticks come, so a stall that just ended is counted.
void letTicksCome()
{
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
}

// Until the rows stand in their new order, where the list sorts them in the background.
template <typename List> void waitForSort(List &list)
{
    if constexpr (requires { list.isSorting(); }) {
        QSignalSpy sorted(&list, &List::sorted);
        while (list.isSorting())
            sorted.wait(60000);
    }
}

template <typename T> T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QString::fromUtf8(name));
}

class Report
{
public:
    explicit Report(Heartbeat &heartbeat) : m_heartbeat(heartbeat) {}

    void begin()
    {
        m_heartbeat.restart();
        m_clock.start();
    }
    void end(const char *stage, const QString &detail = {})
    {
        const double worst = m_heartbeat.worstMs();
        const bool failed = worst > kGoalMs;
        m_failed += failed ? 1 : 0;
        std::printf("%-44s %9.1f %9.2f  %s%s\n", stage, worst, double(m_clock.nsecsElapsed()) / 1e9,
                    failed ? "FAILED " : "", qPrintable(detail));
        std::fflush(stdout);
    }
    int failed() const { return m_failed; }

private:
    Heartbeat &m_heartbeat;
    QElapsedTimer m_clock;
    int m_failed = 0;
};

QList<ListRecord> listRecords(const QString &folder)
{
    QList<ListRecord> out;
    out.reserve(kListRows);
    for (int i = 0; i < kListRows; ++i)
        out.append({QStringLiteral("https://xueshu.baidu.com/usercenter/paper/show?paperid=%1&site=xueshu_se")
                        .arg(qint64(i) * 7919, 12, 16, QLatin1Char('0')),
                    QStringLiteral("基于深度学习的图像识别方法研究（第%1篇）").arg((i * 7919) % kListRows),
                    i % 3 == 0 ? QStringLiteral("成功") : QString(), QStringLiteral("pdf"), folder});
    return out;
}

// Triggers an analysis command and lets it run to its end.
bool analyse(fWebSearch *main, const char *command)
{
    QAction *action = child<QAction>(main, command);
    if (!action)
        return false;
    action->trigger();
    return !main->flags().AnalysisIdle() &&
           ManualClock::passShortWaitsUntil(
               [main] { return main->flags().AnalysisIdle() && !main->progressPanel()->isVisible(); }, kLongestPause,
               3'600'000);
}

int bench(const QString &base, bool withRoad)
{
    ManualClock clock;
    TestHome home;
    RecordingPrompt prompt;
    qputenv("PAPERHARVEST_SEARCH_BASE", base.toUtf8());
    const QString saveFolder = home.filePath(QStringLiteral("files"));
    SettingKeys::下载文件保存路径.write(saveFolder);

    Heartbeat heartbeat;
    Report report(heartbeat);
    std::printf("Main thread's worst stall (10 ms heartbeat's worst lateness), goal <= %.0f ms\n", kGoalMs);
    std::printf("%-44s %9s %9s\n", "stage", "stall ms", "seconds");

    report.begin();
    fCover cover;
    QSignalSpy loaded(&cover, &fCover::loaded);
    cover.show();
    if (!loaded.wait(60000)) {
        std::fprintf(stderr, "the start-up window did not load\n");
        return 1;
    }
    child<QPushButton>(&cover, "Command1")->click();
    auto *main = qobject_cast<fWebSearch *>(topLevel(QStringLiteral("fWebSearch")));
    if (!main) {
        std::fprintf(stderr, "the main window did not open\n");
        return 1;
    }
    report.end("windows open");

    // The road: the batch search, the analysis of every row, the downloads.
    ResultListModel &results = main->results();
    QPointer<fFileDownload> downloads;
    if (withRoad) {
        report.begin();
        child<QPlainTextEdit>(main, "Text1")->setPlainText(RoadSite::keyword());
        auto *command3 = child<QPushButton>(main, "Command3");
        {
            ModalAnswerer answer(QStringLiteral("Form_BaoCun"), QStringLiteral("Command2"));
            const QString startText = command3->text();
            command3->click();
            if (!ManualClock::passShortWaitsUntil([&] { return command3->text() == startText; }, kLongestPause,
                                                  3'600'000)) {
                std::fprintf(stderr, "the search did not end\n");
                return 1;
            }
        }
        report.end("road: search of 50 result pages", QStringLiteral("%1 rows").arg(results.rowCount()));
        if (results.rowCount() != RoadSite::kResults) {
            std::fprintf(stderr, "the search collected %d rows\n", results.rowCount());
            return 1;
        }

        report.begin();
        if (!analyse(main, "menu分析未分析项")) {
            std::fprintf(stderr, "the analysis did not end\n");
            return 1;
        }
        downloads = qobject_cast<fFileDownload *>(topLevel(QStringLiteral("fFileDownload")));
        report.end("road: analysis of 1 000 rows");
        if (!downloads) {
            std::fprintf(stderr, "the download window did not open\n");
            return 1;
        }

        report.begin();
        DownloadScheduler &scheduler = downloads->scheduler();
        const DownloadListModel &list = scheduler.list();
        child<QPushButton>(downloads, "Command4")->click();
        if (!ManualClock::advanceUntil([&] { return list.isFinished() && !scheduler.downloadsActive(); },
                                       DownloadScheduler::kTickInterval, 36'000)) {
            std::fprintf(stderr, "the downloads did not end\n");
            return 1;
        }
        report.end("road: downloads of 1 000 files",
                   QStringLiteral("%1 files").arg(QDir(saveFolder).entryList(QDir::Files).size()));
    }

    // The 100 000-row list, in the main window's list.
    const QString listFile = home.filePath(QStringLiteral("list.zxul"));
    if (!ExportListFile(listFile, listRecords(saveFolder))) {
        std::fprintf(stderr, "cannot write the list to import\n");
        return 1;
    }
    ListExchangeView view;
    ListExchangeRun exchange(results, view);
    report.begin();
    const int imported = QCoro::waitFor(exchange.importFile(listFile));
    report.end("import of 100 000 rows", QStringLiteral("%1 rows added").arg(imported));

    QHeaderView *header = main->resultList()->header();
    for (const int column : {ResultListModel::TitleColumn, ResultListModel::TitleColumn, ResultListModel::StatusColumn,
                             ResultListModel::StatusColumn}) {
        report.begin();
        Q_EMIT header->sectionClicked(column);
        waitForSort(results);
        const bool descending = results.sortOrder() == Qt::DescendingOrder;
        letTicksCome();
        report.end(column == ResultListModel::TitleColumn ? "sort by title (header click)"
                                                          : "sort by status (header click)",
                   descending ? QStringLiteral("descending") : QStringLiteral("ascending"));
    }

    report.begin();
    const int before = results.rowCount();
    child<QAction>(main, "menu清除分析成功项")->trigger();
    letTicksCome();
    report.end("clearing done rows (menu)",
               QStringLiteral("%1 of %2 rows removed").arg(before - results.rowCount()).arg(before));

    // The download window's list at 100 000 rows, a third of them done: a header click sorts it, the menu clears
    // its done rows.
    fFileDownload *downloadWindow = downloads ? downloads.data() : fFileDownload::ensure();
    DownloadListModel &downloadList = downloadWindow->scheduler().list();
    downloadList.clear();
    for (int i = 0; i < kListRows; ++i) {
        DownloadItem item;
        item.address = QStringLiteral("http://files.example/%1.pdf").arg(i);
        item.name = QStringLiteral("基于深度学习的图像识别方法研究（第%1篇）").arg((i * 7919) % kListRows);
        item.type = QStringLiteral("pdf");
        item.folder = saveFolder;
        if (i % 3 == 0) {
            item.state = ItemState::Done;
            item.size = item.downloaded = QString::number(32768 + i);
            item.percent = QStringLiteral("100%");
        }
        downloadList.append(item);
    }
    QHeaderView *downloadHeader = child<QTreeView>(downloadWindow, "ListView3")->header();
    for (const int column : {DownloadListModel::NameColumn, DownloadListModel::SizeColumn}) {
        report.begin();
        Q_EMIT downloadHeader->sectionClicked(column);
        // Where the window sorts in the background, until the rows have moved.
        if (QObject *sort = downloadWindow->findChild<QObject *>(QStringLiteral("listSort"))) {
            QSignalSpy sorted(sort, SIGNAL(sorted()));
            while (sort->property("sorting").toBool())
                sorted.wait(60000);
        }
        letTicksCome();
        report.end(column == DownloadListModel::NameColumn ? "download list: sort by name (header click)"
                                                           : "download list: sort by size (header click)");
    }
    report.begin();
    const int downloadRows = downloadList.size();
    child<QAction>(downloadWindow, "menu清除完成项")->trigger();
    letTicksCome();
    report.end("download list: clearing done rows (menu)",
               QStringLiteral("%1 of %2 rows removed").arg(downloadRows - downloadList.size()).arg(downloadRows));

    // The list back to 100 000 rows for the exports: the rows just removed come back from the file.
    report.begin();
    const int refilled = QCoro::waitFor(exchange.importFile(listFile));
    report.end("import into a list of 66 667 rows", QStringLiteral("%1 rows added").arg(refilled));

    report.begin();
    const bool exported =
        QCoro::waitFor(exchange.exportRows(home.filePath(QStringLiteral("out.zxul")), ListExportSet::All));
    report.end("export of 100 000 rows: list exchange file", exported ? QString() : QStringLiteral("not written"));
    const struct {
        const char *stage;
        ListFormat format;
        const char *name;
    } formats[] = {{"export of 100 000 rows: CSV", ListFormat::Csv, "out.csv"},
                   {"export of 100 000 rows: RIS", ListFormat::Ris, "out.ris"},
                   {"export of 100 000 rows: BibTeX", ListFormat::Bibtex, "out.bib"}};
    for (const auto &f : formats) {
        report.begin();
        // As the window's menu runs it.
        const bool written = WriteReferenceFile(home.filePath(QString::fromLatin1(f.name)), f.format, results.rows());
        letTicksCome();
        report.end(f.stage, written ? QString() : QStringLiteral("not written"));
    }

    std::printf("%s\n", report.failed() ? "FAILED: some stage stalled the main thread over the goal"
                                        : "all stages within the goal");
    if (downloads)
        downloads->close();
    main->close();
    CloseVisitedDatabase();
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--serve") {
        QCoreApplication app(argc, argv);
        return serve();
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    PrepareWebEngineEnvironment();
    QApplication app(argc, argv);
    QProcess server;
    server.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--serve")});
    if (!server.waitForStarted() || !server.waitForReadyRead(10000)) {
        std::fprintf(stderr, "the site did not start\n");
        return 1;
    }
    const QString base = QString::fromUtf8(server.readLine().trimmed());
    const int status = bench(base, !app.arguments().contains(QStringLiteral("--lists-only")));
    server.kill();
    server.waitForFinished();
    return status;
}
