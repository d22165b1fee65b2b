#include "gui/shell/DisplayStart.h"

#include "core/store/SettingsStore.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace {
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler g_previous = nullptr;
QList<HeldMessage> *g_held = nullptr;

QString displayName()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("wayland") || (!platform.startsWith("xcb") && !qEnvironmentVariableIsSet("DISPLAY")))
        return QStringLiteral("the Wayland display \"%1\"")
            .arg(qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0")));
    return QStringLiteral("the display \"%1\"").arg(qEnvironmentVariable("DISPLAY"));
}

// Why the platform gave up, in its own words: its first warning ("could not connect to display :9"), without the
// advice about reinstalling that comes with the fatal message.
QString reason()
{
    for (const HeldMessage &message : std::as_const(*g_held))
        if (message.type != QtDebugMsg && message.type != QtInfoMsg && message.category.startsWith("qt.qpa"))
            return message.text.section(u'\n', 0, 0).trimmed();
    return QStringLiteral("no Qt platform plugin could be initialized");
}

void holdMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        const QString line = QStringLiteral("paperharvest: the windows cannot open %1: %2; \"paperharvest batch\" "
                                            "runs without windows\n")
                                 .arg(displayName(), reason());
        std::fputs(line.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        // Half a platform is all there is: nothing of the program has started that would need an orderly exit.
        std::_Exit(1);
    }
    g_held->append({type, QByteArray(context.category ? context.category : ""), text});
}
} // namespace

void PreferWaylandWithoutX()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY") &&
        qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "wayland");
}

std::unique_ptr<QApplication> OpenApplicationOrExit(int &argc, char **argv)
{
    QList<HeldMessage> held;
    g_held = &held;
    g_previous = qInstallMessageHandler(holdMessage);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(g_previous);
    g_held = nullptr;
    for (const HeldMessage &message : std::as_const(held)) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        if (g_previous)
            g_previous(message.type, context, message.text);
        else
            qt_message_output(message.type, context, message.text);
    }
    return app;
}

void SetWindowsIdentity(const QString &desktopId)
{
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(PH_VERSION));
    QGuiApplication::setDesktopFileName(desktopId);
}
