#include "cli/BatchCommand.h"
#include "core/store/Settings.h"
#include "gui/fCover/fCover.h"
#include "gui/shell/MessageBoxPrompt.h"
#include "web/WebEngineEnvironment.h"

#include <QApplication>
#include <QTextStream>
#include <cstring>

namespace {
bool isArgument(int argc, char *argv[], const char *name)
{
    return argc > 1 && std::strcmp(argv[1], name) == 0;
}
} // namespace

int main(int argc, char *argv[])
{
    if (isArgument(argc, argv, "--version")) {
        QTextStream(stdout) << ApplicationTitle() << ' ' << PH_VERSION << Qt::endl;
        return 0;
    }
    if (isArgument(argc, argv, "--help") || isArgument(argc, argv, "-h")) {
        QTextStream(stdout) << ProgramUsageText();
        return 0;
    }
    // The headless mode, before any window exists.
    if (isArgument(argc, argv, "batch"))
        return RunBatchCommand(argc, argv);

    PrepareWebEngineEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(PH_VERSION));

    MessageBoxPrompt prompt;
    Prompt::install(&prompt);

    int status = 0;
    {
        fCover cover;
        cover.show();
        status = QApplication::exec();
    }
    Prompt::install(nullptr);
    return status;
}
