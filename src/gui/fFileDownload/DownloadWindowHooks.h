#pragma once

#include <functional>

class QWidget;

// The download window's ways into windows that other parts of the program own. The program's start-up wiring
// installs them; a menu entry whose hook is not installed is disabled.
struct DownloadWindowHooks {
    // menu资料检索分析窗口: show the main window (created on first use).
    std::function<void()> showMainWindow;
    // 设置: the options dialog, modal over the download window.
    std::function<void(QWidget *owner)> showOptions;
    // 关于: the about box, modal over the download window.
    std::function<void(QWidget *owner)> showAbout;
    // menu清空IE浏览器缓存: empty the embedded browser's cache and say so.
    std::function<void()> clearBrowserCache;

    static DownloadWindowHooks &instance();
};
