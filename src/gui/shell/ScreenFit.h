#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// Windows that fit the screen they open on: within the area the desktop leaves to windows (its panels and docks
// excluded), frame and title bar included, so that no edge, status bar or button lies off screen.

// The frame the window manager puts around the window: the real one once the window has been shown, else an
// allowance for a title bar and borders, since the frame only exists after the window was mapped.
QMargins WindowFrameAllowance(const QWidget *window);

// The rectangle (inner geometry) of a window that wants `wanted` inside `available` with a frame of `frame`: at
// most the available size less the frame, at least `minimum` where that fits, moved inside the area (`at` is kept
// when it already fits, else the window is centred).
QRect FitInside(const QRect &available, const QMargins &frame, QSize wanted, QSize minimum, QRect at = {});

// Sizes the window to `wanted` within its screen's available area and centres it there.
void FitWindowToScreen(QWidget *window, QSize wanted);

// Keeps the window's current rectangle when it fits its screen's available area; else shrinks and moves it in.
void KeepWindowOnScreen(QWidget *window);
