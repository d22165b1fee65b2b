#pragma once

#include <QString>
#include <QStringList>

// Folder enumerations of the cache and file tools. Order: a folder's own entries in the order the file system
// gives them, then everything under its first subfolder, then its second, and so on; a folder is enumerated to
// the end before any subfolder is entered. "pagefile.sys" is skipped everywhere and "RECYCLER" at the root.
// Linked folders are listed but never entered, so a link cycle cannot make a walk endless.

// Appends the full path of every folder under `folder` (only for an absolute folder; relative ones are not
// walked).
void ListSubfolders(const QString &folder, QStringList &list, bool recursive);

// Appends the full path of every regular file under `folder`. Devices, pipes and sockets are left out: opening
// one could block the program.
void ListFilesUnder(const QString &folder, QStringList &list, bool recursive);
