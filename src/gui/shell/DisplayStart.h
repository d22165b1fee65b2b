#pragma once

#include <QApplication>
#include <memory>

// Starting the windows on the session's display.

// In a Wayland session without X (no DISPLAY), asks Qt for its Wayland platform unless a platform was chosen:
// Qt's own choice follows XDG_SESSION_TYPE, which GNOME's Wayland session does not let it use, and would try X.
void PreferWaylandWithoutX();

// The application object of the windows. Qt aborts the process when its platform cannot open the display (status
// 134, after a screenful of hints about reinstalling): here that ends the program with one line on stderr naming
// the display and status 1. Qt's messages while the display is opened are held back and passed on when it opens.
std::unique_ptr<QApplication> OpenApplicationOrExit(int &argc, char **argv);

// The names desktops know the windows by: the application name (Qt's X11 window class, StartupWMClass of the
// desktop entry) and the desktop entry's id (the Wayland app id), `desktopId` being that id.
void SetWindowsIdentity(const QString &desktopId);
