#pragma once

#include <QMainWindow>
#include <QPointer>

class DownloadPdfCheck;
class DownloadScheduler;
class LoginPanel;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QTreeView;
class QWidget;

// The download window: the download list with its state images, the scheduler's controls, the menus and the
// status bar. One per process, created on first use and discarded when closed; the list lives as long as the
// window. The rules live in the core (DownloadScheduler and the list model); this class builds the controls,
// binds them to the scheduler and forwards the commands.
class fFileDownload final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fFileDownload)

public:
    // The open window, or nullptr.
    static fFileDownload *instance();
    // The open window, created (its load steps run, not shown) when there is none.
    static fFileDownload *ensure();

    ~fFileDownload() override;

    DownloadScheduler &scheduler() { return *m_scheduler; }
    DownloadPdfCheck &pdfCheck() { return *m_pdfCheck; }

    // The main window's hand-over of one file (see the core's 加入下载列表); always true.
    bool 加入下载列表(const QString &address, const QString &name, const QString &type, const QString &folder,
                      const QString &referrer, bool nameFromAddress = false);
    // Showing again: the list refreshed, the window visible and raised, restored from minimised on request.
    void showWindow(bool restore);

    QTreeView *listView() const { return m_listView3; }
    LoginPanel *loginPanel() const { return m_loginPanel; }
    // The rows whose selection mark is set, in list order; the current row (-1 when none).
    QList<int> selectedRows() const;
    int currentRow() const;
    // Label1: the number of rows followed by "条".
    void refreshCount();

    // The result of the type check of one file, as the menu shows it.
    void reportFileType(const QString &path);
    // menu检查并纠正磁盘文件类型 without its file dialog.
    void correctFileTypes();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit fFileDownload(QWidget *parent = nullptr);

    void buildControls();
    void buildMenus();
    void buildStatusBar();
    void bindScheduler();
    void load();

    void refreshOptions();
    void refreshIndicators();
    void layoutPanels();

    void onRowClicked(const QModelIndex &index);
    void onRowDoubleClicked();
    void onContextMenu(const QPoint &pos);
    void onStatusPanel2Clicked();
    void chooseFileAndReportType();

    DownloadScheduler *m_scheduler = nullptr;
    DownloadPdfCheck *m_pdfCheck = nullptr; // opens each PDF row's file once it is done

    QWidget *m_picture3 = nullptr;
    QLabel *m_image1 = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_label7 = nullptr;
    QPushButton *m_command26 = nullptr;
    QComboBox *m_combo1 = nullptr;
    QRadioButton *m_option1 = nullptr;
    QRadioButton *m_option2 = nullptr;
    QRadioButton *m_option3 = nullptr;
    QComboBox *m_combo2 = nullptr;
    QPushButton *m_command4 = nullptr;
    QPushButton *m_command31 = nullptr;
    QFrame *m_shape1 = nullptr;
    QCheckBox *m_check3 = nullptr;
    QComboBox *m_combo4 = nullptr;
    QCheckBox *m_check4 = nullptr;
    QCheckBox *m_check5 = nullptr;
    QCheckBox *m_check6 = nullptr;
    QPushButton *m_command1 = nullptr;
    QTreeView *m_listView3 = nullptr;
    LoginPanel *m_loginPanel = nullptr;

    QMenu *m_menuList = nullptr;
    QAction *m_menuStartAll = nullptr;  // menu下载全部
    QAction *m_menuStop = nullptr;      // menu停止下载
    QAction *m_menuClear = nullptr;     // menu清除 (submenu)
    QAction *m_menuEmpty = nullptr;     // menu清空
    QAction *m_menuSelectAll = nullptr; // menu全选专利列表
    QAction *m_menuAutoLocate = nullptr;

    QLabel *m_panels[4] = {};

    static QPointer<fFileDownload> s_instance;
};
