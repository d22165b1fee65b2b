#pragma once

#include <QString>
#include <QStringList>

// The recently used save folders offered in the destination boxes: one folder per line of "SaveList.dat" in the
// data folder. The windows keep their drop-down list in step with `entries`.

// "SaveList.dat" in the data folder.
QString FolderHistoryFile();

// When `file` is a file: replaces `entries` with its first 100 non-empty trimmed lines, without repeats
// (compared case-insensitively). Otherwise `entries` stays as it is.
void LoadFolderHistory(QStringList &entries, const QString &file = FolderHistoryFile());

// Writes `entries` one per line (an empty list writes one empty line). False when the file cannot be written.
bool SaveFolderHistory(const QStringList &entries, const QString &file = FolderHistoryFile());
