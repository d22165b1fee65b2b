#include "gui/shell/ShellOpen.h"

#include "core/util/FileNameRules.h"
#include "core/util/Prompt.h"
#include "gui/shell/ShellTexts.h"

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
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath())))
        QProcess::startDetached(QStringLiteral("xdg-open"), {path});
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
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(folder).absoluteFilePath()));
}
