#include "web/WebEngineEnvironment.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
QtMessageHandler g_nextHandler = nullptr;
bool g_sandboxTurnedOff = false;

// The browser's own word that the sandbox is off, when the program turned it off itself, tells the user nothing.
void dropSandboxNotice(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (g_sandboxTurnedOff && message == QLatin1String("Sandboxing disabled by user."))
        return;
    if (g_nextHandler)
        g_nextHandler(type, context, message);
}
} // namespace

void PrepareWebEngineEnvironment()
{
#ifdef Q_OS_UNIX
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        g_sandboxTurnedOff = true;
    }
#endif
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Qt WebEngine describes its start-up (graphics backend, every Chromium switch) in some twenty lines on stderr;
    // QT_LOGGING_RULES=qt.webenginecontext.info=true brings them back for a bug report.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false\nqt.webenginecontext.debug=false"));
    g_nextHandler = qInstallMessageHandler(dropSandboxNotice);
}
