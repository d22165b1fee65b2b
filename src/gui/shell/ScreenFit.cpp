#include "gui/shell/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {
// A title bar and borders as desktops draw them (GNOME's title bar is about 37 pixels high, KDE's about 30).
const QMargins kFrameAllowance(4, 40, 4, 4);

// Sizes the window to the inner rectangle `rect` and puts its frame around it: move() places a window's frame.
void place(QWidget *window, const QRect &rect, const QMargins &frame)
{
    window->resize(rect.size());
    window->move(rect.topLeft() - QPoint(frame.left(), frame.top()));
}

QRect availableArea(const QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}
} // namespace

QMargins WindowFrameAllowance(const QWidget *window)
{
    const QWindow *handle = window->windowHandle();
    if (handle && window->isVisible()) {
        const QMargins margins = handle->frameMargins();
        if (!margins.isNull())
            return margins;
    }
    return kFrameAllowance;
}

QRect FitInside(const QRect &available, const QMargins &frame, QSize wanted, QSize minimum, QRect at)
{
    const QRect room = available.marginsRemoved(frame);
    if (room.isEmpty())
        return QRect(at.topLeft(), wanted);
    const QSize size(std::clamp(wanted.width(), std::min(minimum.width(), room.width()), room.width()),
                     std::clamp(wanted.height(), std::min(minimum.height(), room.height()), room.height()));
    QRect rect(at.topLeft(), size);
    if (at.isNull() || !room.contains(rect))
        rect.moveCenter(room.center());
    // Centring an odd size can leave it a pixel out: the top-left corner wins.
    rect.moveRight(std::min(rect.right(), room.right()));
    rect.moveBottom(std::min(rect.bottom(), room.bottom()));
    rect.moveLeft(std::max(rect.left(), room.left()));
    rect.moveTop(std::max(rect.top(), room.top()));
    return rect;
}

void FitWindowToScreen(QWidget *window, QSize wanted)
{
    const QRect available = availableArea(window);
    if (available.isEmpty()) {
        window->resize(wanted);
        return;
    }
    const QMargins frame = WindowFrameAllowance(window);
    place(window, FitInside(available, frame, wanted, window->minimumSize()), frame);
}

void KeepWindowOnScreen(QWidget *window)
{
    const QRect available = availableArea(window);
    if (available.isEmpty())
        return;
    const QMargins frame = WindowFrameAllowance(window);
    const QRect inner(window->pos() + QPoint(frame.left(), frame.top()), window->size());
    place(window, FitInside(available, frame, window->size(), window->minimumSize(), inner), frame);
}
