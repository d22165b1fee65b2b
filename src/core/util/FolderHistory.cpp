#include "core/util/FolderHistory.h"

#include "core/util/DataFolder.h"
#include "core/util/TextFile.h"

#include <QFileInfo>

namespace {
constexpr int kMaxHistoryLines = 100;
}

QString FolderHistoryFile()
{
    return DataFolder::filePath(QStringLiteral("SaveList.dat"));
}

void LoadFolderHistory(QStringList &entries, const QString &file)
{
    if (!QFileInfo(file).isFile())
        return;
    const std::optional<QStringList> lines = TextFile::readLines(file);
    if (!lines)
        return;
    entries.clear();
    int taken = 0;
    for (const QString &line : *lines) {
        const QString entry = line.trimmed();
        if (entry.isEmpty())
            continue;
        if (!entries.contains(entry, Qt::CaseInsensitive))
            entries.append(entry);
        if (++taken == kMaxHistoryLines)
            break;
    }
}

bool SaveFolderHistory(const QStringList &entries, const QString &file)
{
    return TextFile::writeLines(file, entries.isEmpty() ? QStringList{QString()} : entries);
}
