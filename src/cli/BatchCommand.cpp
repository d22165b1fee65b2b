#include "cli/BatchCommand.h"

#include "cli/BatchOptions.h"
#include "cli/BatchProgress.h"
#include "cli/BatchPrompt.h"
#include "cli/BatchRun.h"
#include "cli/BatchTexts.h"
#include "cli/InterruptSignal.h"
#include "cli/TerminalResize.h"
#include "core/store/Settings.h"
#include "core/util/TextFile.h"
#include "web/CookieBridge.h"
#include "web/WebEngineEnvironment.h"

#include <QGuiApplication>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <optional>

namespace {
constexpr int kBadArguments = 2;

// The embedded browser and Qt describe their start-up at length on stderr; in a batch, where stderr carries the
// progress lines, only real errors get through.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", (BatchTexts::kErrorPrefix + message).toLocal8Bit().constData());
}

// A bad argument's line, with the way to the list of the good ones.
QString badArgumentLine(QString error)
{
    while (error.endsWith(QLatin1Char('.')))
        error.chop(1);
    return BatchTexts::kErrorPrefix + error + BatchTexts::kHelpHint + QLatin1Char('\n');
}

void print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}
} // namespace

QString ProgramUsageText()
{
    return QStringLiteral("Usage: paperharvest [--version | --help]\n"
                          "       paperharvest batch [options] [KEYWORD ...]\n"
                          "       paperharvest batch [options] --import FILE [--import FILE ...]\n"
                          "                          [KEYWORD ...]\n"
                          "\n"
                          "Without arguments the program opens its windows. \"batch\" runs the same search,\n"
                          "analysis and downloads without windows; \"paperharvest batch --help\" lists its\n"
                          "options.\n");
}

bool ResolveBatchKeywords(BatchOptions &options, QString *error)
{
    if (!options.keywordsFile.isEmpty()) {
        const std::optional<QStringList> lines = TextFile::readLines(options.keywordsFile);
        if (!lines) {
            *error = QStringLiteral("--keywords-file: cannot read \"%1\"").arg(options.keywordsFile);
            return false;
        }
        options.keywords += *lines;
    }
    QStringList given;
    for (const QString &keyword : std::as_const(options.keywords))
        if (!keyword.trimmed().isEmpty())
            given << keyword;
    // An imported list alone is a whole run: its rows are analysed and downloaded without a search.
    if (!given.isEmpty() || !options.importFiles.isEmpty()) {
        if (given.isEmpty())
            options.keywords.clear();
        return true;
    }
    *error = QStringLiteral("KEYWORD: no keyword given (as arguments, with --keywords-file or --import)");
    return false;
}

int RunBatchCommand(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 2; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    BatchOptionsResult parsed = ParseBatchOptions(arguments);
    if (!parsed.options) {
        print(stderr, badArgumentLine(parsed.error));
        return kBadArguments;
    }
    BatchOptions options = *parsed.options;
    if (options.helpRequested) {
        print(stdout, BatchUsageText());
        return 0;
    }
    QString error;
    if (!ResolveBatchKeywords(options, &error)) {
        print(stderr, badArgumentLine(error));
        return kBadArguments;
    }

    // No window ever shows: the browser page renders off screen, whatever display the environment names (a
    // server's session may name one it cannot open).
    qputenv("QT_QPA_PLATFORM", "offscreen");
    PrepareWebEngineEnvironment();
    qInstallMessageHandler(quietMessages);
    int appArgc = 1;
    QGuiApplication app(appArgc, argv);
    // The batch's lines are English: the reasons the system gives inside them (a file that cannot be opened, a
    // connection refused) are English too, whatever language the session asks for. Qt's own texts are not
    // translated in the batch either (the windows install Qt's Chinese texts).
    std::setlocale(LC_MESSAGES, "C");
    // The same name as the windows: the same data folder and settings.
    QGuiApplication::setApplicationName(ApplicationTitle());
    QGuiApplication::setApplicationVersion(QStringLiteral(PH_VERSION));
    // The same session as the windows: a verification solved or a login made there counts here.
    ShareProgramCookies();

    BatchProgress progress(stderr, BatchProgress::isTerminal(stderr), options.quiet);
    BatchPrompt prompt(progress);
    Prompt::install(&prompt);

    int status = BatchRun::kFatal;
    {
        BatchRun run(options, progress);
        InterruptSignal interrupt;
        TerminalResize resize;
        QObject::connect(&resize, &TerminalResize::resized, &run, [&] { progress.redrawBar(); });
        QObject::connect(&interrupt, &InterruptSignal::interrupted, &run, [&] {
            progress.error(QStringLiteral("interrupted: stopping (press Ctrl-C again to quit at once)"));
            run.interrupt();
        });
        std::optional<QCoro::Task<>> road;
        // Started from the event loop, so that a run that ends at once still finds a loop to end.
        QTimer::singleShot(0, &run, [&] {
            road.emplace([](BatchRun &r, int &out) -> QCoro::Task<> {
                out = co_await r.run();
                QCoreApplication::exit(0);
            }(run, status));
        });
        QCoreApplication::exec();
        progress.clearBar();
        const BatchSummary summary = run.summary();
        if (options.json)
            print(stdout, QString::fromUtf8(summary.json(status)));
        else
            print(stdout, summary.text());
    }
    Prompt::install(nullptr);
    return status;
}
