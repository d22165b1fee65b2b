#pragma once

#include "core/analysis/AnalysisView.h"

#include <QObject>

class AnalysisDriver;
class fWebSearch;

// The analysis in the main window: the four commands of the "分析下载" pop-up menu (menu加入), which Command2
// opens and Timer1 reaches through the driver's automatic tick, and the window's side of a run: its check boxes,
// list selection, progress panel and the hand-over to the download window. Lives as a child of the window.
class AnalysisMenu final : public QObject, private AnalysisView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnalysisMenu)

public:
    explicit AnalysisMenu(fWebSearch &window);
    ~AnalysisMenu() override;

    AnalysisDriver &driver() const { return *m_driver; }

private:
    bool skipExistingFile() const override;
    bool skipVisitedAddress() const override;
    bool followAnalysedRow() const override;
    void scrollToRow(int row) override;
    bool isRowSelected(int row) const override;
    QString saveFolder() const override;
    void setRunning(bool running) override;
    void setProgress(int value, int maximum) override;
    void 加入下载列表(const QString &address, const QString &title, const QString &type, const QString &folder,
                      const QString &referrer) override;
    void 显示下载窗口(bool restore) override;

    fWebSearch &m_window;
    AnalysisDriver *m_driver = nullptr;
};
