#pragma once

#include <QString>

class QWidget;

// Opens a web address with the user's browser. `inBrowserWindow` asks for a browser window directly instead of
// the desktop's handler for the address.
void OpenAddress(const QString &address, bool inBrowserWindow = false);

// Opens a file with its associated program; "文件不存在！" when there is no such file, and a message naming the file
// and the reason when the desktop has no program for it.
void OpenWithShell(const QString &path, QWidget *owner = nullptr);

// Opens a file-manager window on the file's folder with the file selected. False when there is no such file or
// no window could be opened.
bool ShowInFolder(const QString &path);

// Opens a folder in the file manager (a message when the desktop cannot). False when there is no such folder.
bool OpenFolder(const QString &folder);
