#pragma once

#include <QString>

// What an analysis run needs from the window (or the batch mode) that runs it. The main window answers from its
// check boxes, list, progress panel and the download window; the batch mode from its options; tests with a fake.
class AnalysisView
{
public:
    virtual ~AnalysisView() = default;

    // Check1 "文件已存在，跳过保存": skip a row whose title-named .pdf already exists in its folder.
    virtual bool skipExistingFile() const = 0;
    // Check3 "相同网址不重复保存": skip an address the visited-address database holds.
    virtual bool skipVisitedAddress() const = 0;
    // Check7 "自动定位到分析项": keep the row being analysed in sight.
    virtual bool followAnalysedRow() const = 0;
    virtual void scrollToRow(int row) = 0;
    // Whether the row (0-based) is selected in the list; asked when the row's turn comes.
    virtual bool isRowSelected(int row) const = 0;

    // The save folder of new rows (SaveFolder); used for a row without a folder of its own.
    virtual QString saveFolder() const = 0;

    // The progress panel in front and the search panel disabled while a run is active (or both back).
    virtual void setRunning(bool running) = 0;
    // Progress bar: value of `maximum`.
    virtual void setProgress(int value, int maximum) = 0;

    // 加入下载列表: the hand-over of one download (address, title, type, folder, referring page) to the download
    // list, which names the file (title or the address's file name, per the save dialog's naming mode) and drops
    // an address it already holds.
    virtual void 加入下载列表(const QString &address, const QString &title, const QString &type, const QString &folder,
                              const QString &referrer) = 0;
    // 显示下载窗口: when the download window exists, refresh and show it (restoring it from minimised on request).
    virtual void 显示下载窗口(bool restore) = 0;
};
