#pragma once

#include <QRect>
#include <QString>

class QWidget;

// The download window's remembered placement, one per screen resolution: reopened on the same screen it comes
// back where it was; on another screen, or after it was closed maximised, it opens maximised. Positions and
// sizes are stored in twips (15 per pixel).

// The screen size in pixels as "width*height" (for example 1920*1080), of the widget's screen or the primary one.
QString ScreenResolutionText(const QWidget *window = nullptr);

// What the stored values mean for a screen of `resolution`: nullopt-like empty rect for "maximise", else the
// rectangle in pixels (top and left at least 0, width at least 4000 and height at least 3000 twips).
struct PlacementDecision {
    bool maximized = true;
    QRect rect;
};
PlacementDecision DecidePlacement(const QString &storedResolution, double top, double left, double width, double height,
                                  const QString &resolution);

// Stores the window's placement under its section of the settings store ("0*0" when it is maximised).
void SaveWindowPlacement(const QWidget *window);
// Restores it: geometry and normal state, or the maximised state. The caller shows the window.
void RestoreWindowPlacement(QWidget *window);
