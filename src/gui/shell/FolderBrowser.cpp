#include "gui/shell/FolderBrowser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

QString BrowseStartFolder(const QString &start)
{
    QString folder = start.trimmed().isEmpty() ? QDir::rootPath() : QDir::toNativeSeparators(start);
    const QChar sep = QDir::separator();
    const int cut = folder.left(folder.size() - 1).lastIndexOf(sep);
    if (cut >= 0)
        folder = folder.left(cut + 1);
    if (!QFileInfo(folder).isDir())
        folder = QDir::rootPath();
    return folder;
}

QString BrowseForFolder(QWidget *owner, const QString &start, const QString &title, bool includeFiles)
{
    QFileDialog::Options options = QFileDialog::DontResolveSymlinks;
    if (!includeFiles)
        options |= QFileDialog::ShowDirsOnly;
    QString chosen = QFileDialog::getExistingDirectory(owner, title, BrowseStartFolder(start), options);
    if (chosen.isEmpty())
        chosen = start;
    chosen = QDir::toNativeSeparators(chosen);
    if (!chosen.endsWith(QDir::separator()))
        chosen += QDir::separator();
    return chosen;
}
