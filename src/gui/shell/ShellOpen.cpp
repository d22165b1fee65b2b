#include "gui/shell/ShellOpen.h"

#include "core/util/FileNameRules.h"
#include "core/util/Prompt.h"
#include "gui/shell/ShellTexts.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace {
QUrl addressUrl(const QString &address)
{
    return QUrl::fromUserInput(address.trimmed());
}

// The browsers a desktop offers when the address handler fails, tried in order.
bool startBrowser(const QString &address)
{
    for (const QString &program :
         {QStringLiteral("xdg-open"), QStringLiteral("x-www-browser"), QStringLiteral("sensible-browser")}) {
        if (QProcess::startDetached(program, {address}))
            return true;
    }
    return false;
}
// The desktop's handler for a file or folder, through xdg-open, whose answer comes back later: the window does not
// wait for it, and a desktop without a handler for the type is told to the user instead of only to stderr.
void openOnDesktop(const QString &path)
{
    auto *process = new QProcess(QCoreApplication::instance());
    const auto report = [path](const QString &reason) {
        Prompt::current().message(ShellTexts::kNoHandler.arg(QDir::toNativeSeparators(path), reason),
                                  Prompt::Icon::Warning);
    };
    QObject::connect(process, &QProcess::errorOccurred, process, [process, report](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            report(process->errorString());
            process->deleteLater();
        }
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process, report](int exitCode, QProcess::ExitStatus status) {
                         if (status == QProcess::NormalExit && exitCode != 0) {
                             const QString said = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
                             report(said.isEmpty() ? ShellTexts::kHandlerExit.arg(exitCode) : said);
                         }
                         process->deleteLater();
                     });
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start(QStringLiteral("xdg-open"), {path});
}
} // namespace

void OpenAddress(const QString &address, bool inBrowserWindow)
{
    const QUrl url = addressUrl(address);
    if (!inBrowserWindow && url.isValid() && QDesktopServices::openUrl(url))
        return;
    startBrowser(url.isValid() ? url.toString() : address);
}

void OpenWithShell(const QString &path, QWidget *owner)
{
    Q_UNUSED(owner) // the desktop's handler opens its own window
    if (!IsExistingFile(path)) {
        Prompt::current().message(ShellTexts::kFileMissing, Prompt::Icon::Critical);
        return;
    }
    openOnDesktop(QFileInfo(path).absoluteFilePath());
}

bool ShowInFolder(const QString &path)
{
    const QString file = path.trimmed();
    if (!IsExistingFile(file))
        return false;
    const QString uri = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString();
    // The freedesktop file-manager interface selects the item; without a file manager on the bus, open the folder.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{uri} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    return OpenFolder(QFileInfo(file).absolutePath());
}

bool OpenFolder(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        return false;
    openOnDesktop(QFileInfo(folder).absoluteFilePath());
    return true;
}
