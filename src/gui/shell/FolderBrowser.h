#pragma once

#include <QString>

class QWidget;

// Lets the user pick a folder, starting next to `start` (its parent folder, or the folder of a given file).
// Returns the chosen folder, or `start` when the user cancels; always with a trailing separator.
// With `includeFiles` the dialog shows files too (a folder is still what is chosen).
QString BrowseForFolder(QWidget *owner, const QString &start, const QString &title, bool includeFiles = false);

// The folder the folder browser opens at for `start`: cut after the last separator that stands before the last
// character; the file-system root for a blank start or a folder that does not exist.
QString BrowseStartFolder(const QString &start);
