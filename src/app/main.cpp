#include "core/store/Settings.h"
#include "gui/fCover/fCover.h"
#include "gui/shell/MessageBoxPrompt.h"

#include <QApplication>
#include <QTextStream>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

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
    // Subcommands (the headless "batch" mode) are dispatched here, before any window exists.

#ifdef Q_OS_UNIX
    // Chromium refuses to start its sandbox as root; the embedded browser then runs without it.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif

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
