#include "cli/BatchCommand.h"
#include "core/store/Settings.h"
#include "gui/fCover/fCover.h"
#include "gui/shell/DisplayStart.h"
#include "gui/shell/MessageBoxPrompt.h"
#include "gui/shell/QtTranslations.h"
#include "web/CookieBridge.h"
#include "web/WebEngineEnvironment.h"

#include <QApplication>
#include <QTextStream>
#include <cstring>

namespace {
bool isArgument(int argc, char *argv[], const char *name)
{
    return argc > 1 && std::strcmp(argv[1], name) == 0;
}

// Whether the windows have somewhere to show: no display named at all (a server's or a container's shell) is said
// before anything starts. A display that is named but cannot be opened is said when the windows try it.
bool displayNamed()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qEnvironmentVariableIsSet("DISPLAY") ||
           qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
#else
    return true;
#endif
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
    if (argc > 1) {
        QTextStream(stderr) << "paperharvest: unknown argument \"" << QString::fromLocal8Bit(argv[1]) << "\"\n"
                            << ProgramUsageText();
        return 2;
    }
    if (!displayNamed()) {
        QTextStream(stderr) << "paperharvest: no display to open the windows on (DISPLAY is not set); "
                               "\"paperharvest batch\" runs without windows\n";
        return 1;
    }

    PrepareWebEngineEnvironment();
    PreferWaylandWithoutX();
    const std::unique_ptr<QApplication> app = OpenApplicationOrExit(argc, argv);
    // Qt's own dialogs speak the windows' Chinese; the batch's English lines keep Qt's English texts.
    InstallQtTranslations();
    // Lets the desktop match the windows to the installed entry (its icon in the task bar, the Wayland app id).
    SetWindowsIdentity(QStringLiteral(PH_APP_ID));
    // The browser's session is the session of every fetch and download.
    ShareProgramCookies();

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
