#include "gui/fFileDownload/WindowPlacement.h"

#include "core/store/Settings.h"
#include "gui/shell/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kTwipsPerPixel = 15;
constexpr int kMinWidthTwips = 4000;
constexpr int kMinHeightTwips = 3000;
const QString kMaximized = QStringLiteral("0*0");

int pixels(double twipsValue)
{
    return static_cast<int>(std::lround(twipsValue / kTwipsPerPixel));
}
} // namespace

QString ScreenResolutionText(const QWidget *window)
{
    const QScreen *screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QStringLiteral("0*0");
    const QSize size = screen->size();
    return QStringLiteral("%1*%2").arg(size.width()).arg(size.height());
}

PlacementDecision DecidePlacement(const QString &storedResolution, double top, double left, double width, double height,
                                  const QString &resolution)
{
    PlacementDecision decision;
    if (storedResolution != resolution)
        return decision;
    decision.maximized = false;
    const double t = std::max(0.0, top);
    const double l = std::max(0.0, left);
    const double w = std::max<double>(kMinWidthTwips, width);
    const double h = std::max<double>(kMinHeightTwips, height);
    decision.rect = QRect(pixels(l), pixels(t), pixels(w), pixels(h));
    return decision;
}

void SaveWindowPlacement(const QWidget *window)
{
    if (!window)
        return;
    if (window->isMaximized()) {
        SettingKeys::下载窗口分辨率.write(kMaximized);
        return;
    }
    // Position and inner size, the pair that move() and resize() take back without drift.
    SettingKeys::下载窗口分辨率.write(ScreenResolutionText(window));
    SettingKeys::下载窗口上.write(window->y() * kTwipsPerPixel);
    SettingKeys::下载窗口左.write(window->x() * kTwipsPerPixel);
    SettingKeys::下载窗口宽.write(window->width() * kTwipsPerPixel);
    SettingKeys::下载窗口高.write(window->height() * kTwipsPerPixel);
}

void RestoreWindowPlacement(QWidget *window)
{
    if (!window)
        return;
    const PlacementDecision decision = DecidePlacement(
        SettingKeys::下载窗口分辨率.read(), SettingKeys::下载窗口上.read(), SettingKeys::下载窗口左.read(),
        SettingKeys::下载窗口宽.read(), SettingKeys::下载窗口高.read(), ScreenResolutionText(window));
    if (decision.maximized) {
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
        return;
    }
    window->setWindowState(window->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    window->move(decision.rect.topLeft());
    window->resize(decision.rect.size());
    // The same resolution may leave less room (a panel added, a larger title bar): the window stays within it.
    KeepWindowOnScreen(window);
}
