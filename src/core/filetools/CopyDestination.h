#pragma once

#include <QString>
#include <QStringList>

// The destination folder of the copy tool, as typed into its box.

// `folder` ending in the platform's separator.
QString WithTrailingSeparator(const QString &folder);

// Adds the trimmed `text` at the end of the folder history `entries` unless an entry already reads the same,
// compared without regard to letter case. True when it was added.
bool AddToFolderHistory(QStringList &entries, const QString &text);

// True when both paths name the same folder. Links are followed, and letter case counts only where the file
// system tells names apart by it.
bool IsSameFolder(const QString &a, const QString &b);
