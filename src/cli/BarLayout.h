#pragma once

#include <QString>

// What the progress bar shows. The transfer fields are text as shown ("12.1 MiB", "446 KiB/s", "00:28"); an empty
// one is not shown.
struct BarState {
    QString stage; // "analysis", "downloads"
    int value = 0;
    int maximum = 0;
    QString bytes;
    QString rate;
    QString elapsed;
    QString left;
};

// The bar as one line of at most `columns - 1` terminal columns (a line that reached the last column would wrap on
// some terminals, and a wrapped bar leaves its first part behind at every redraw):
// "<stage> [#####-----] value/maximum bytes rate elapsed E left L". The graphic takes the room the fields leave,
// up to 30 columns; on a narrower terminal the least useful fields go first: the time elapsed, the graphic, the
// bytes, the rate, the time left, then the stage is cut. The count stays.
QString LayoutBar(const BarState &state, int columns);
