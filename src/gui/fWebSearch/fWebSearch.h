#pragma once

#include "core/search/SearchWindow.h"

#include <QMainWindow>
#include <chrono>
#include <memory>

class AnalysisDriver;
class AnalysisMenu;
class Browser;
class DraggablePanel;
class MainPanels;
class PacingView;
class ProxyRotation;
class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class ClockTimer;
class QTreeView;
class QWebEngineView;
class ResultListModel;
class RunFlags;
class RunsUnderway;
class SearchDriver;
class WebEngineBrowser;
struct SaveTarget;

// The main window: the embedded browser on the search service, the search controls, the batch search, the page
// walk and harvest once, the result list with its maintenance commands, and the panels around them.
// Created by the start-up window on first use and destroyed when it closes; it refuses to close while a run is
// active, and a run that was stopped but still finishes its step keeps the window (hidden) until it has ended.
class ServiceWaitNotice;

class fWebSearch final : public QMainWindow, private SearchWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fWebSearch)
public:
    // Timer1: how often unanalysed rows are analysed automatically while Check6 is checked.
    static constexpr std::chrono::milliseconds kAutoAnalysisInterval{5000};
    // The smallest window: 9000 by 5000 twips.
    static constexpr int kMinimumWidth = 9000 / 15;
    static constexpr int kMinimumHeight = 5000 / 15;

    explicit fWebSearch(QWidget *parent = nullptr);
    ~fWebSearch() override;

    // What the other parts of the program work with.
    RunFlags &flags() const { return *m_flags; }
    Browser &browser() const;
    ResultListModel &results() const { return *m_results; }
    SearchDriver &driver() const { return *m_driver; }
    ProxyRotation &proxy() const { return *m_proxy; }
    PacingView &pacing() const { return *m_pacing; }
    SaveTarget &saveTarget() const;
    QTreeView *resultList() const { return m_listView1; }
    // The window's runs still on their way: the window is destroyed only after the last has ended.
    RunsUnderway &runs() const { return *m_runs; }

    // The progress panel with its caption, bar and stop button (analysis and list export use it).
    DraggablePanel *progressPanel() const { return m_picPanPrograss; }
    QLabel *progressLabel() const { return m_label11; }
    QProgressBar *progressBar() const { return m_progressBar1; }
    QPushButton *stopButton() const { return m_command5; }
    // The pop-up menus of "分析下载" and "导入导出数据..."; the analysis and the list exchange fill them.
    QMenu *menu加入() const { return m_menu加入; }
    QMenu *menu导入导出() const { return m_menu导入导出; }
    // The browser panel (disabled while an analysis runs).
    QWidget *browserPanel() const;
    MainPanels *panels() const { return m_panels; }
    // The analysis behind menu加入, which Timer1 ticks.
    AnalysisDriver &analysis() const;
    // The check boxes a run reads: skip existing files, skip visited addresses, follow the analysed row.
    QCheckBox *check1() const { return m_check1; }
    QCheckBox *check3() const { return m_check3; }
    QCheckBox *check7() const { return m_check7; }

    // Sets Label1 to the number of result rows.
    void showRowCount();
    // Fits the list's columns to headers and contents.
    void autoSizeListColumns() override;
    // Shows the save-target dialog modally.
    void askSaveTarget() override;

    // The list commands (menu清除 and the list's mouse operations).
    void removeSelectedRows();
    void removeSucceededRows();
    void removeSkippedRows();
    void removeRowsByTitle(bool containing);
    void clearAllRows();
    void openSavedFile();
    void openSavedFileFolder();
    void sortByColumn(int column);
    void openRowInBrowser();

    // 打开百度学术首页: silent mode on, browser panel in front, the search service's home page.
    void openHomePage();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    template <typename Rule> void removeWith(Rule rule);
    // The selected row under the cursor, or -1.
    int selectedRow() const;

    void buildControls();
    QWidget *buildSearchColumn();
    QWidget *buildListButtons();
    void buildResultList();
    void buildProgressPanel();
    void buildStatusBar();
    void connectControls();
    void orderTabStops();
    void buildMenus();
    // The keys a browser user expects: F5 reloads the page, Ctrl+F goes to the keywords.
    void addShortcuts();
    void load();
    bool unload();

    void showWalkPosition(const QString &keyword, int page);
    void onCheck6Toggled(bool checked);
    void onTimer1();
    void onCommand2();
    void onCommand7();
    void openAddressCommand();
    void openLocalPageCommand();
    void saveSourceCommand();
    void unblockPageCommand();
    void optionsCommand();

    // SearchWindow
    QString keywordText() const override;
    void setKeywordText(const QString &text) override;
    int typeIndex() const override;
    int yearIndex() const override;
    void showBatchRunning(bool running) override;
    void showWalkRunning(bool running) override;
    QCoro::Task<> harvestPage() override;
    QCoro::Task<bool> nextPage() override;
    bool waitForService(const ServicePageVerdict &verdict, const QString &keyword, const QString &address) override;
    void serviceRetrying(const ServicePageVerdict &verdict, const QString &keyword, const QString &address,
                         std::chrono::milliseconds delay, int retry) override;
    void serviceWaitEnded() override;
    const PacingView &walkPacing() const override { return *m_pacing; }
    void pageWalkedBefore(const QString &address) override;

    std::unique_ptr<RunFlags> m_flags;
    WebEngineBrowser *m_browser = nullptr;
    ResultListModel *m_results = nullptr;
    SearchDriver *m_driver = nullptr;
    ProxyRotation *m_proxy = nullptr;
    PacingView *m_pacing = nullptr;
    AnalysisMenu *m_analysis = nullptr;

    MainPanels *m_panels = nullptr;
    QWebEngineView *m_webBrowser1 = nullptr;
    QPlainTextEdit *m_text1 = nullptr;
    QButtonGroup *m_option2 = nullptr;
    QButtonGroup *m_option3 = nullptr;
    QPushButton *m_command3 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command9 = nullptr;
    QPushButton *m_command2 = nullptr;
    QPushButton *m_command7 = nullptr;
    QComboBox *m_combo1 = nullptr;
    QCheckBox *m_check1 = nullptr;
    QCheckBox *m_check2 = nullptr;
    QCheckBox *m_check3 = nullptr;
    QCheckBox *m_check6 = nullptr;
    QCheckBox *m_check7 = nullptr;
    QLabel *m_label1 = nullptr;
    QTreeView *m_listView1 = nullptr;
    DraggablePanel *m_picPanPrograss = nullptr;
    QLabel *m_label11 = nullptr;
    QProgressBar *m_progressBar1 = nullptr;
    QPushButton *m_command5 = nullptr;
    QLabel *m_statusPanel1 = nullptr;
    QLabel *m_statusPanel2 = nullptr;
    QLabel *m_statusPanel3 = nullptr;
    QLabel *m_walkPosition = nullptr;
    ServiceWaitNotice *m_serviceNotice = nullptr;
    ClockTimer *m_timer1 = nullptr;

    RunsUnderway *m_runs = nullptr;

    QMenu *m_menu清除 = nullptr;
    QMenu *m_menu加入 = nullptr;
    QMenu *m_menu导入导出 = nullptr;
};
