#include "gui/shell/DisplayStart.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

namespace {
constexpr int kProgramLimitMs = 60000;

// The value of `key` in the [Desktop Entry] group of the desktop entry in the source tree.
QString desktopEntryValue(const QString &key)
{
    QFile file(QStringLiteral(PH_DESKTOP_ENTRY));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString &line : lines)
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1).trimmed();
    return {};
}
} // namespace

class TestProgramStart final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A display that is named but cannot be opened, X11's or Wayland's: one line that names it, status 1, instead
    // of Qt's abort (status 134) after a screenful of advice about reinstalling.
    void displayThatCannotBeOpened_data()
    {
        QTest::addColumn<QStringList>("set");
        QTest::addColumn<QString>("named");
        QTest::newRow("X11") << QStringList{QStringLiteral("DISPLAY=:9371")} << QStringLiteral("\":9371\"");
        // Without DISPLAY the Wayland display is taken even where Qt alone would choose X (GNOME's session type).
        QTest::newRow("Wayland only") << QStringList{QStringLiteral("WAYLAND_DISPLAY=paperharvest-no-such-display"),
                                                     QStringLiteral("XDG_SESSION_TYPE=wayland"),
                                                     QStringLiteral("XDG_CURRENT_DESKTOP=GNOME")}
                                      << QStringLiteral("\"paperharvest-no-such-display\"");
    }
    void displayThatCannotBeOpened()
    {
        QFETCH(QStringList, set);
        QFETCH(QString, named);
        TestHome home;
        QTemporaryDir runtime;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        for (const QString &assignment : set)
            environment.insert(assignment.section(u'=', 0, 0), assignment.section(u'=', 1));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(PH_PROGRAM), QStringList());
        QVERIFY(process.waitForFinished(kProgramLimitMs));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        QVERIFY2(err.endsWith(u'\n') && err.count(u'\n') == 1, qPrintable(err));
        QVERIFY2(err.startsWith(QStringLiteral("paperharvest: the windows cannot open")), qPrintable(err));
        QVERIFY2(err.contains(named), qPrintable(err));
    }

    // On X11 the desktop finds the entry of a window by its class: the one the entry's StartupWMClass names.
    void windowClassIsTheDesktopEntrys()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("runs on an X display (test_programstart_xvfb)");
        const QString xprop = QStandardPaths::findExecutable(QStringLiteral("xprop"));
        if (xprop.isEmpty())
            QSKIP("xprop is not installed (package x11-utils)");
        SetWindowsIdentity(QStringLiteral(PH_APP_ID));
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QProcess process;
        process.start(xprop, {QStringLiteral("-id"), QString::number(window.winId()), QStringLiteral("WM_CLASS")});
        QVERIFY(process.waitForFinished(kProgramLimitMs));
        // WM_CLASS(STRING) = "instance", "class"
        const QString answer = QString::fromUtf8(process.readAllStandardOutput());
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("= \"([^\"]*)\", \"([^\"]*)\"")).match(answer);
        QVERIFY2(match.hasMatch(), qPrintable(answer));
        QCOMPARE(match.captured(2), desktopEntryValue(QStringLiteral("StartupWMClass")));
    }
};

QTEST_MAIN(TestProgramStart)
#include "test_programstart.moc"
