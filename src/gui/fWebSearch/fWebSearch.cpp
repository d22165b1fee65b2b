#include "gui/fWebSearch/fWebSearch.h"

#include "core/about/UpdateAddress.h"
#include "core/analysis/AnalysisDriver.h"
#include "core/analysis/ProxyRotation.h"
#include "core/run/RunFlags.h"
#include "core/search/PageHarvest.h"
#include "core/search/QueryAddress.h"
#include "core/search/ResultListModel.h"
#include "core/search/SaveTarget.h"
#include "core/search/SearchDriver.h"
#include "core/search/SearchTexts.h"
#include "core/store/Settings.h"
#include "core/util/ClockTimer.h"
#include "core/util/DataFolder.h"
#include "core/util/Deployment.h"
#include "core/util/Prompt.h"
#include "core/util/TextFile.h"
#include "gui/Form_BaoCun/Form_BaoCun.h"
#include "gui/fCover/fCover.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/fIEcache/ClearBrowserCache.h"
#include "gui/fIEcache/fIEcache.h"
#include "gui/fOption/fOption.h"
#include "gui/fWebSearch/AnalysisMenu.h"
#include "gui/fWebSearch/DraggablePanel.h"
#include "gui/fWebSearch/ListExchangeMenu.h"
#include "gui/fWebSearch/MainPanels.h"
#include "gui/fWebSearch/ResultColumnsMenu.h"
#include "gui/fWebSearch/ServiceWaitNotice.h"
#include "gui/fWebSearch/WindowPacing.h"
#include "gui/fWebSearch/fWebSearchTexts.h"
#include "gui/frmAbout/frmAbout.h"
#include "gui/shell/AppIcon.h"
#include "gui/shell/DataWriteFailures.h"
#include "gui/shell/FormRegistry.h"
#include "gui/shell/GapLabel.h"
#include "gui/shell/ListViewTools.h"
#include "gui/shell/RunsUnderway.h"
#include "gui/shell/ScreenFit.h"
#include "gui/shell/ShellOpen.h"
#include "gui/shell/ShellTexts.h"
#include "gui/use/use.h"
#include "gui/use/useTexts.h"
#include "web/PageScripts.h"
#include "web/WebEngineBrowser.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace T = fWebSearchTexts;

namespace {
constexpr int kDelayEntries = 121; // "0" to "120" seconds

QString keywordsFile()
{
    return DataFolder::filePath(QStringLiteral("keywords.txt"));
}

template <typename W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}

// One radio button per caption, numbered in the group from 0 and laid out `columns` to a row; the first checked.
void addOptions(QButtonGroup *group, QGridLayout *grid, const QStringList &captions, const char *name, int columns)
{
    for (int i = 0; i < captions.size(); ++i) {
        auto *option = named(new QRadioButton(captions.at(i)), name);
        option->setProperty("index", i);
        group->addButton(option, i);
        grid->addWidget(option, i / columns, i % columns);
    }
    group->button(0)->setChecked(true);
}

// A start/stop button shows red while its run is active and the window's colour otherwise.
void showRunning(QPushButton *button, bool running, const QString &start, const QString &stop)
{
    button->setText(running ? stop : start);
    button->setStyleSheet(running ? QStringLiteral("QPushButton { background-color: red; color: white; }") : QString());
}
} // namespace

fWebSearch::fWebSearch(QWidget *parent) : QMainWindow(parent), m_flags(std::make_unique<RunFlags>())
{
    setObjectName(QStringLiteral("fWebSearch"));
    m_browser = new WebEngineBrowser(nullptr, this);
    // A page waiting for an answer to its own dialog or window would stop a harvest.
    m_browser->setFrameScripts({PageScripts::dialogSuppression()});
    m_results = new ResultListModel(this);
    m_proxy = new ProxyRotation(this);
    m_driver = new SearchDriver(*m_browser, *m_flags, *this, this);
    m_runs = new RunsUnderway(*this);

    buildControls();
    m_pacing = new WindowPacing(m_combo1, *m_flags, this);
    buildMenus();
    // Fills menu加入 with the analysis commands and runs them.
    m_analysis = new AnalysisMenu(*this);
    connect(&m_analysis->driver(), &AnalysisDriver::runStarted, m_runs, &RunsUnderway::begin);
    connect(&m_analysis->driver(), &AnalysisDriver::runFinished, m_runs, &RunsUnderway::end);
    // Fills menu导入导出 with the list exchange commands.
    new ListExchangeMenu(*this);
    load();
}

fWebSearch::~fWebSearch() = default;

Browser &fWebSearch::browser() const
{
    return *m_browser;
}

SaveTarget &fWebSearch::saveTarget() const
{
    return CurrentSaveTarget();
}

QWidget *fWebSearch::browserPanel() const
{
    return m_panels->browserPanel();
}

AnalysisDriver &fWebSearch::analysis() const
{
    return m_analysis->driver();
}

void fWebSearch::buildControls()
{
    // The search controls scroll when the browser panel is lower than they are, so nothing overlaps.
    QWidget *search = buildSearchColumn();
    auto *searchScroll = new QScrollArea;
    searchScroll->setObjectName(QStringLiteral("PicSearchScroll"));
    searchScroll->setWidget(search);
    searchScroll->setWidgetResizable(true);
    searchScroll->setFrameShape(QFrame::NoFrame);
    // The controls inside take the focus, not the frame around them.
    searchScroll->setFocusPolicy(Qt::NoFocus);
    searchScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    searchScroll->setMinimumWidth(search->sizeHint().width() + 16);
    searchScroll->setMaximumWidth(search->sizeHint().width() + 16);

    m_webBrowser1 = named(new QWebEngineView, "WebBrowser1");
    m_webBrowser1->setAccessibleName(ShellTexts::kBrowserName);
    m_webBrowser1->setPage(m_browser->page());
    // Pages cannot replace the program's own context menu or pop up their own.
    m_webBrowser1->setContextMenuPolicy(Qt::NoContextMenu);

    buildStatusBar();
    // The wait notice sits under the page, never over it: a verification widget in the page stays in reach.
    auto *browserArea = new QWidget;
    browserArea->setObjectName(QStringLiteral("BrowserArea"));
    auto *browserColumn = new QVBoxLayout(browserArea);
    browserColumn->setContentsMargins(0, 0, 0, 0);
    browserColumn->setSpacing(0);
    browserColumn->addWidget(m_webBrowser1, 1);
    m_serviceNotice = new ServiceWaitNotice(*statusBar());
    browserColumn->addWidget(m_serviceNotice);

    QWidget *buttons = buildListButtons();
    buildResultList();
    buildProgressPanel();
    m_panels = new MainPanels(searchScroll, browserArea, buttons, m_listView1, m_picPanPrograss, this);
    setCentralWidget(m_panels);

    m_timer1 = new ClockTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kAutoAnalysisInterval);

    setMinimumSize(kMinimumWidth, kMinimumHeight);
    // 1200 by 800 where the screen has room for it with the title bar, less on a smaller one.
    FitWindowToScreen(this, QSize(1200, 800));
    connectControls();
    orderTabStops();
}

void fWebSearch::orderTabStops()
{
    // The search column from the keywords down, the page, then the list's buttons and the list.
    QList<QWidget *> order{m_text1};
    for (QButtonGroup *group : {m_option2, m_option3})
        for (QAbstractButton *option : group->buttons())
            order << option;
    order += {m_command3,    m_combo1,   m_check2,   m_check1,   m_check3,   m_check6,   m_check7,
              m_webBrowser1, m_command9, m_command1, m_command2, m_command7, m_listView1};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

void fWebSearch::addShortcuts()
{
    auto shortcut = [this](const QKeySequence &key, auto &&run) {
        auto *action = new QAction(this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, run);
        addAction(action);
        return action;
    };
    shortcut(QKeySequence::Find, [this] {
        m_text1->setFocus(Qt::ShortcutFocusReason);
        m_text1->selectAll();
    })->setObjectName(QStringLiteral("keyKeywords"));
}

QWidget *fWebSearch::buildSearchColumn()
{
    auto *search = new QWidget;
    search->setObjectName(QStringLiteral("PicSearch"));
    auto *column = new QVBoxLayout(search);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(4);

    auto *label4 = named(new QLabel(T::kKeywordsLabel), "Label4");
    column->addWidget(label4);
    m_text1 = named(new QPlainTextEdit, "Text1");
    label4->setBuddy(m_text1);
    // Tab moves on to the next control; the keywords are one to a line, so Tab is never part of one.
    m_text1->setTabChangesFocus(true);
    m_text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text1->setMinimumHeight(90);
    column->addWidget(m_text1, 1);

    auto *frame3 = named(new QGroupBox(T::kTypeFrame), "Frame3");
    m_option2 = new QButtonGroup(this);
    addOptions(m_option2, new QGridLayout(frame3), T::kTypes, "Option2", 3);
    column->addWidget(frame3);

    auto *frame4 = named(new QGroupBox(T::kYearFrame), "Frame4");
    m_option3 = new QButtonGroup(this);
    addOptions(m_option3, new QGridLayout(frame4), T::kYears, "Option3", 2);
    column->addWidget(frame4);

    m_command3 = named(new QPushButton(T::kBatchStart), "Command3");
    m_command3->setMinimumHeight(32);
    column->addWidget(m_command3);

    m_combo1 = named(new QComboBox, "Combo1");
    for (int i = 0; i < kDelayEntries; ++i)
        m_combo1->addItem(QString::number(i));
    m_combo1->setMaxVisibleItems(16);
    column->addWidget(named(new GapLabel(T::kDelayLabel, m_combo1), "Label3"));

    m_check2 = named(new QCheckBox(T::kCheck2), "Check2");
    m_check1 = named(new QCheckBox(T::kCheck1), "Check1");
    m_check1->setToolTip(T::kCheck1Hint);
    m_check3 = named(new QCheckBox(T::kCheck3), "Check3");
    column->addWidget(m_check2);
    column->addWidget(m_check1);
    column->addWidget(m_check3);

    auto *frame1 = named(new QGroupBox(T::kFrame1), "Frame1");
    auto *frame1Layout = new QVBoxLayout(frame1);
    m_check6 = named(new QCheckBox(T::kCheck6), "Check6");
    m_check7 = named(new QCheckBox(T::kCheck7), "Check7");
    frame1Layout->addWidget(m_check6);
    frame1Layout->addWidget(m_check7);
    column->addWidget(frame1);
    return search;
}

QWidget *fWebSearch::buildListButtons()
{
    auto *buttons = new QWidget;
    buttons->setObjectName(QStringLiteral("PicListButtons"));
    auto *row = new QHBoxLayout(buttons);
    row->setContentsMargins(4, 4, 4, 4);
    m_command9 = named(new QPushButton(T::kHarvestOnce), "Command9");
    m_command1 = named(new QPushButton(T::kWalkStart), "Command1");
    m_command2 = named(new QPushButton(T::kAnalyse), "Command2");
    m_command7 = named(new QPushButton(T::kImportExport), "Command7");
    for (QPushButton *b : {m_command9, m_command1, m_command2, m_command7})
        row->addWidget(b);
    row->addStretch();
    row->addWidget(named(new QLabel(T::kListLabel), "Label2"));
    m_label1 = named(new QLabel(QStringLiteral("0")), "Label1");
    m_label1->setMinimumWidth(60);
    row->addWidget(m_label1);
    return buttons;
}

void fWebSearch::buildResultList()
{
    m_listView1 = named(new QTreeView, "ListView1");
    m_listView1->setAccessibleName(T::kListLabel);
    m_listView1->setModel(m_results);
    m_listView1->setRootIsDecorated(false);
    m_listView1->setUniformRowHeights(true);
    m_listView1->setItemsExpandable(false);
    m_listView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView1->setContextMenuPolicy(Qt::CustomContextMenu);
    m_listView1->header()->setSectionsClickable(true);
    m_listView1->header()->setSortIndicatorShown(false);
    m_listView1->header()->setStretchLastSection(true);
    StripeListBackground(m_listView1);
    new ResultColumnsMenu(m_listView1);
}

void fWebSearch::buildProgressPanel()
{
    // Centred over the list while an analysis or export runs.
    m_picPanPrograss = named(new DraggablePanel, "PicPanPrograss");
    auto *progress = new QVBoxLayout(m_picPanPrograss);
    m_label11 = named(new QLabel, "Label11");
    m_progressBar1 = named(new QProgressBar, "ProgressBar1");
    m_progressBar1->setMinimumWidth(320);
    m_command5 = named(new QPushButton(T::kStop), "Command5");
    progress->addWidget(m_label11);
    progress->addWidget(m_progressBar1);
    progress->addWidget(m_command5, 0, Qt::AlignHCenter);
}

void fWebSearch::buildStatusBar()
{
    // A fixed label, the browser's status text, the proxy state.
    auto *status = named(new QStatusBar, "StatusBar1");
    m_statusPanel1 = named(new QLabel(ApplicationTitle()), "StatusPanel1");
    m_statusPanel2 = named(new QLabel, "StatusPanel2");
    m_statusPanel3 = named(new QLabel(T::kProxyAtStart), "StatusPanel3");
    m_walkPosition = named(new QLabel, "WalkPosition");
    m_walkPosition->setVisible(false);
    status->addWidget(m_statusPanel1);
    status->addWidget(m_walkPosition);
    status->addWidget(m_statusPanel2, 1);
    status->addPermanentWidget(m_statusPanel3);
    DataWriteFailures::addTo(*status);
    setStatusBar(status);
}

void fWebSearch::connectControls()
{
    // A stop clears a run's flag at once, while its coroutine still finishes the step it is in: the window waits for
    // it before it goes (harvest once guards itself with no flag at all).
    connect(m_command3, &QPushButton::clicked, this, [this] { m_runs->track(m_driver->clickBatch()); });
    connect(m_command1, &QPushButton::clicked, this, [this] { m_runs->track(m_driver->clickWalk()); });
    connect(m_command9, &QPushButton::clicked, this, [this] { m_runs->track(m_driver->harvestOnce()); });
    connect(m_command2, &QPushButton::clicked, this, &fWebSearch::onCommand2);
    connect(m_command7, &QPushButton::clicked, this, &fWebSearch::onCommand7);
    connect(m_command5, &QPushButton::clicked, this, [this] { m_flags->setAnalysisIdle(true); });
    connect(m_check2, &QCheckBox::toggled, this, [this](bool on) { m_browser->setSilent(on); });
    connect(m_check6, &QCheckBox::toggled, this, &fWebSearch::onCheck6Toggled);
    connect(m_timer1, &ClockTimer::timeout, this, &fWebSearch::onTimer1);
    connect(m_browser, &Browser::statusTextChanged, m_statusPanel2, &QLabel::setText);
    // The page that held the link under the mouse is gone, and the browser says nothing when a link goes with it.
    connect(m_browser, &Browser::navigateComplete, m_statusPanel2, &QLabel::clear);
    connect(m_driver, &SearchDriver::walkPosition, this, &fWebSearch::showWalkPosition);
    connect(m_serviceNotice, &ServiceWaitNotice::reloadWanted, this,
            [this](const QString &address) { m_browser->navigate(address); });
    connect(m_proxy, &ProxyRotation::statusTextChanged, m_statusPanel3, &QLabel::setText);
    connect(m_listView1, &QTreeView::doubleClicked, this, &fWebSearch::openRowInBrowser);
    connect(m_listView1->header(), &QHeaderView::sectionClicked, this, &fWebSearch::sortByColumn);
    connect(m_listView1, &QTreeView::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_menu清除->popup(m_listView1->viewport()->mapToGlobal(pos)); });
    connect(m_results, &QAbstractItemModel::rowsInserted, this, &fWebSearch::showRowCount);
    connect(m_results, &QAbstractItemModel::rowsRemoved, this, &fWebSearch::showRowCount);
    connect(m_results, &QAbstractItemModel::modelReset, this, &fWebSearch::showRowCount);
}

void fWebSearch::buildMenus()
{
    auto action = [](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QString::fromUtf8(name));
        return a;
    };

    QMenu *browse = menuBar()->addMenu(T::kMenuBrowse);
    browse->setObjectName(QStringLiteral("menu浏览"));
    connect(action(browse, "menu打开首页", T::kOpenHomePage), &QAction::triggered, this, &fWebSearch::openHomePage);
    connect(action(browse, "menu打开指定网址", T::kOpenAddress), &QAction::triggered, this,
            &fWebSearch::openAddressCommand);
    connect(action(browse, "menu打开本地网页文件", T::kOpenLocalPage), &QAction::triggered, this,
            &fWebSearch::openLocalPageCommand);
    browse->addSeparator();
    QAction *back = action(browse, "menu后退", T::kBack);
    back->setShortcut(QKeySequence::Back);
    connect(back, &QAction::triggered, this, [this] { m_browser->back(); });
    QAction *forward = action(browse, "menu前进", T::kForward);
    forward->setShortcut(QKeySequence::Forward);
    connect(forward, &QAction::triggered, this, [this] { m_browser->forward(); });
    QAction *refresh = action(browse, "menu刷新", T::kRefresh);
    refresh->setShortcut(QKeySequence::Refresh);
    connect(refresh, &QAction::triggered, this, [this] { m_browser->refresh(); });
    browse->addSeparator();
    connect(action(browse, "menu关闭本窗口", T::kCloseWindow), &QAction::triggered, this, &QWidget::close);

    QMenu *tools = menuBar()->addMenu(ShellTexts::kMenuTools);
    tools->setObjectName(QStringLiteral("menu工具"));
    connect(action(tools, "menu设置", T::kOptions), &QAction::triggered, this, &fWebSearch::optionsCommand);
    connect(action(tools, "menu设置保存文件夹", T::kSetSaveFolder), &QAction::triggered, this,
            &fWebSearch::askSaveTarget);
    connect(action(tools, "menu打开下载窗口", T::kOpenDownloadWindow), &QAction::triggered, this,
            [] { fFileDownload::ensure()->showWindow(false); });
    connect(action(tools, "menu查看IE浏览器缓存", T::kViewBrowserCache), &QAction::triggered, this, [this] {
        fIEcache window(this);
        window.exec();
    });
    connect(action(tools, "menu清空IE浏览器缓存", T::kClearBrowserCache), &QAction::triggered, this,
            [] { ClearBrowserCache(true); });
    connect(action(tools, "menu源码另存为", T::kSaveSource), &QAction::triggered, this, &fWebSearch::saveSourceCommand);
    connect(action(tools, "menu破除网页鼠标右键封锁和复制封锁", T::kUnblockPage), &QAction::triggered, this,
            &fWebSearch::unblockPageCommand);

    m_menu清除 = menuBar()->addMenu(T::kMenuClear);
    m_menu清除->setObjectName(QStringLiteral("menu清除"));
    QAction *removeSelected = action(m_menu清除, "menu清除选中项", T::kRemoveSelected);
    connect(removeSelected, &QAction::triggered, this, &fWebSearch::removeSelectedRows);
    ListShortcut(m_listView1, removeSelected, QKeySequence::Delete);
    connect(action(m_menu清除, "menu清除分析成功项", T::kRemoveSucceeded), &QAction::triggered, this,
            &fWebSearch::removeSucceededRows);
    connect(action(m_menu清除, "menu清除分析跳过项", T::kRemoveSkipped), &QAction::triggered, this,
            &fWebSearch::removeSkippedRows);
    connect(action(m_menu清除, "menu清除标题含指定字符项", T::kRemoveTitleContaining), &QAction::triggered, this,
            [this] { removeRowsByTitle(true); });
    connect(action(m_menu清除, "menu清除标题不含指定字符项", T::kRemoveTitleNotContaining), &QAction::triggered, this,
            [this] { removeRowsByTitle(false); });
    m_menu清除->addSeparator();
    connect(action(m_menu清除, "menu清空全部", T::kClearAll), &QAction::triggered, this, &fWebSearch::clearAllRows);
    m_menu清除->addSeparator();
    connect(action(m_menu清除, "menu打开保存文件", T::kOpenSavedFile), &QAction::triggered, this,
            &fWebSearch::openSavedFile);
    connect(action(m_menu清除, "menu打开保存文件所在目录", T::kOpenSavedFileFolder), &QAction::triggered, this,
            &fWebSearch::openSavedFileFolder);
    connect(action(m_menu清除, "menu自动列宽", T::kAutoSizeColumns), &QAction::triggered, this, [this] {
        autoSizeListColumns();
        m_listView1->viewport()->update();
    });

    QMenu *help = menuBar()->addMenu(ShellTexts::kMenuHelp);
    help->setObjectName(QStringLiteral("menu帮助"));
    connect(action(help, "menu关于", T::kAbout), &QAction::triggered, this, [this] { ShowAboutBox(this); });
    connect(action(help, "menu软件使用方法", useTexts::kCaption), &QAction::triggered, this, [] { (new use)->show(); });
    help->addSeparator();
    connect(action(help, "menu软件主页", T::kProductPage), &QAction::triggered, this,
            [] { OpenAddress(ProductPageAddress()); });
    connect(action(help, "menu技术支持网站", T::kSupportSite), &QAction::triggered, this,
            [] { OpenAddress(Deployment::makerSite()); });

    // Pop-up only: never in the menu bar.
    m_menu加入 = new QMenu(this);
    m_menu加入->setObjectName(QStringLiteral("menu加入"));
    m_menu导入导出 = new QMenu(this);
    m_menu导入导出->setObjectName(QStringLiteral("menu导入导出"));
    addShortcuts();
}

void fWebSearch::load()
{
    setWindowTitle(T::kCaption + QStringLiteral(" - ") + ApplicationTitle());
    setWindowIcon(AppIcon());

    saveTarget().SaveFolder = StoredDownloadFolder();
    m_check2->setChecked(true);
    m_browser->setSilent(true);
    m_browser->navigate(QStringLiteral("about:blank"));

    m_combo1->setCurrentIndex(StoredPacingDelay());

    m_check1->setChecked(SettingKeys::check1.read());
    m_check3->setChecked(SettingKeys::check3.read());
    m_check7->setChecked(SettingKeys::check7.read());

    if (const auto text = TextFile::readText(keywordsFile()))
        m_text1->setPlainText(*text);

    m_flags->setCollectIdle(true);
    m_flags->setAnalysisIdle(true);
    m_flags->setBatchIdle(true);

    m_proxy->load();
    if (!m_proxy->statusText().isEmpty())
        m_statusPanel3->setText(m_proxy->statusText());

    openHomePage();
    showRowCount();
}

bool fWebSearch::unload()
{
    if (!m_flags->allIdle()) {
        Prompt::current().message(T::kCloseRefusal, Prompt::Icon::Critical);
        return false;
    }
    SettingKeys::combo1.write(m_combo1->currentIndex());
    SettingKeys::check1.write(m_check1->isChecked());
    SettingKeys::check3.write(m_check3->isChecked());
    SettingKeys::check7.write(m_check7->isChecked());
    m_proxy->store();
    // Written to a new file that replaces the old one only once complete, so a failed write keeps the old keywords.
    TextFile::writeText(keywordsFile(), m_text1->toPlainText());
    return true;
}

void fWebSearch::closeEvent(QCloseEvent *event)
{
    if (!unload()) {
        event->ignore();
        return;
    }
    if (!m_runs->closeNowOrWhenEnded(event)) {
        // Closed for the user already; it only waits for its stopped runs to end.
        if (!IsFormLoaded(QStringLiteral("fFileDownload")))
            ShowStartWindow();
        return;
    }
    m_timer1->stop();
    if (!IsFormLoaded(QStringLiteral("fFileDownload")))
        ShowStartWindow();
    event->accept();
}

void fWebSearch::openHomePage()
{
    m_check2->setChecked(true);
    m_panels->browserPanel()->raise();
    m_browser->navigate(SearchHomeAddress());
}

void fWebSearch::showRowCount()
{
    m_label1->setText(QString::number(m_results->rowCount()));
}

void fWebSearch::autoSizeListColumns()
{
    AutoSizeListColumns(m_listView1);
}

void fWebSearch::askSaveTarget()
{
    Form_BaoCun::ask(saveTarget(), this);
}

void fWebSearch::showWalkPosition(const QString &keyword, int page)
{
    m_walkPosition->setText(page < 1            ? QString()
                            : keyword.isEmpty() ? T::kWalkAtPage.arg(page)
                                                : T::kWalkAtKeywordPage.arg(keyword).arg(page));
    m_walkPosition->setVisible(page >= 1);
}

void fWebSearch::onCheck6Toggled(bool checked)
{
    if (checked && m_picPanPrograss->isVisible()) {
        const QSignalBlocker block(m_check6);
        m_check6->setChecked(false);
        m_timer1->stop();
        Prompt::current().message(T::kBusyStopFirst, Prompt::Icon::Information);
        return;
    }
    if (checked)
        m_timer1->start(kAutoAnalysisInterval);
    else
        m_timer1->stop();
}

void fWebSearch::onTimer1()
{
    // An export or import holds the progress panel: the automatic analysis waits for the next tick.
    if (!m_check6->isChecked() || m_picPanPrograss->isVisible())
        return;
    // Closed, and waiting only for its stopped runs to end: nothing new starts.
    if (!isVisible() && !isMinimized())
        return;
    m_analysis->driver().autoAnalysisTick();
}

void fWebSearch::onCommand2()
{
    if (m_results->rowCount() == 0) {
        Prompt::current().message(T::kListEmpty, Prompt::Icon::Information);
        return;
    }
    if (!m_flags->allIdle()) {
        Prompt::current().message(SearchTexts::kBusyTryLater, Prompt::Icon::Critical);
        return;
    }
    if (m_picPanPrograss->isVisible()) {
        Prompt::current().message(T::kBusyStopFirst, Prompt::Icon::Information);
        return;
    }
    if (m_menu加入->isEmpty())
        return;
    m_command2->setEnabled(false);
    m_menu加入->exec(QCursor::pos());
    m_command2->setEnabled(true);
}

void fWebSearch::onCommand7()
{
    if (m_menu导入导出->isEmpty())
        return;
    m_command7->setEnabled(false);
    m_menu导入导出->exec(QCursor::pos());
    m_command7->setEnabled(true);
}

// SearchWindow ---------------------------------------------------------------------------------------------------

QString fWebSearch::keywordText() const
{
    return m_text1->toPlainText();
}

void fWebSearch::setKeywordText(const QString &text)
{
    m_text1->setPlainText(text);
}

int fWebSearch::typeIndex() const
{
    return std::max(0, m_option2->checkedId());
}

int fWebSearch::yearIndex() const
{
    return std::max(0, m_option3->checkedId());
}

void fWebSearch::showBatchRunning(bool running)
{
    showRunning(m_command3, running, T::kBatchStart, T::kBatchStop);
}

void fWebSearch::showWalkRunning(bool running)
{
    showRunning(m_command1, running, T::kWalkStart, T::kWalkStop);
}

QCoro::Task<> fWebSearch::harvestPage()
{
    co_await 采集本页结果(*m_browser, *m_results, saveTarget().SaveFolder);
    showRowCount();
}

bool fWebSearch::waitForService(const ServicePageVerdict &verdict, const QString &keyword, const QString &address)
{
    // The page stays in the browser, where the user can solve a verification; the walk goes on by itself.
    m_serviceNotice->show(verdict, keyword, address);
    return true;
}

void fWebSearch::pageWalkedBefore(const QString &address)
{
    statusBar()->showMessage(T::kWalkedBefore.arg(address));
}

void fWebSearch::serviceRetrying(const ServicePageVerdict &verdict, const QString &keyword, const QString &address,
                                 std::chrono::milliseconds delay, int retry)
{
    m_serviceNotice->showRetry(verdict, keyword, address, delay, retry);
}

void fWebSearch::serviceWaitEnded()
{
    m_serviceNotice->hide();
}

QCoro::Task<bool> fWebSearch::nextPage()
{
    const bool turned = co_await 下一页(*m_browser, *m_results, *m_flags, *m_pacing, saveTarget().SaveFolder);
    showRowCount();
    co_return turned;
}
