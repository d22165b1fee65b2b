#include "core/util/FolderScan.h"

#include "core/util/FileNameRules.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <vector>

namespace {
enum class Collect { Folders, Files };

bool isAbsoluteFolder(const QString &folder)
{
#ifdef Q_OS_WIN
    return folder.startsWith(QLatin1String("\\\\")) || (folder.size() >= 2 && folder[1] == u':');
#else
    return folder.startsWith(u'/');
#endif
}

bool isRoot(const QString &folderWithSeparator)
{
#ifdef Q_OS_WIN
    return folderWithSeparator.size() == 3;
#else
    return folderWithSeparator.size() == 1;
#endif
}

// Enumerates one folder completely, appending what the caller collects and returning its subfolders to walk.
QStringList enumerate(const QString &folder, Collect collect, QStringList &list)
{
    QStringList subfolders;
    const QDir::Filters filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QDirIterator it(folder, filters);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString name = info.fileName();
        if (name.compare(QLatin1String("pagefile.sys"), Qt::CaseInsensitive) == 0)
            continue;
        if (isRoot(folder) && name.compare(QLatin1String("RECYCLER"), Qt::CaseInsensitive) == 0)
            continue;
        const QString full = folder + name;
        if (info.isDir()) {
            if (!info.isSymLink())
                subfolders.append(full);
            if (collect == Collect::Folders)
                list.append(full);
        } else if (collect == Collect::Files && info.isFile()) {
            list.append(full);
        }
    }
    return subfolders;
}

void walk(const QString &start, Collect collect, QStringList &list, bool recursive)
{
    QString folder = start;
    if (!folder.endsWith(kPathSeparator))
        folder += kPathSeparator;
    if (!QFileInfo(folder).isDir())
        return;
    // Folders still to walk, the next one last, so the order is the same as walking each subfolder in turn.
    std::vector<QString> pending{folder};
    while (!pending.empty()) {
        const QString current = pending.back();
        pending.pop_back();
        const QStringList subfolders = enumerate(current, collect, list);
        if (!recursive)
            break;
        for (auto it = subfolders.crbegin(); it != subfolders.crend(); ++it)
            pending.push_back(*it + kPathSeparator);
    }
}
} // namespace

void ListSubfolders(const QString &folder, QStringList &list, bool recursive)
{
    if (!isAbsoluteFolder(folder))
        return;
    walk(folder, Collect::Folders, list, recursive);
}

void ListFilesUnder(const QString &folder, QStringList &list, bool recursive)
{
    walk(folder, Collect::Files, list, recursive);
}
