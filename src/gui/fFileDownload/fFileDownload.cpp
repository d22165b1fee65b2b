#include "gui/fFileDownload/fFileDownload.h"

#include "core/download/AddToDownloadList.h"
#include "core/download/DownloadListModel.h"
#include "core/download/DownloadScheduler.h"
#include "core/download/DownloadTexts.h"
#include "core/download/FileTypeDetection.h"
#include "core/download/ListChecks.h"
#include "core/download/ReQueue.h"
#include "core/download/engines/InstallEngines.h"
#include "core/store/Settings.h"
#include "core/util/FileNameRules.h"
#include "core/util/Prompt.h"
#include "gui/fCover/fCover.h"
#include "gui/fFileDownload/DownloadListMenu.h"
#include "gui/fFileDownload/DownloadPdfCheck.h"
#include "gui/fFileDownload/DownloadWindowHooks.h"
#include "gui/fFileDownload/DownloadWindowTexts.h"
#include "gui/fFileDownload/StateImages.h"
#include "gui/fFileDownload/WindowPlacement.h"
#include "gui/fFileDownload/login/LoginPanel.h"
#include "gui/shell/AppIcon.h"
#include "gui/shell/ComboTools.h"
#include "gui/shell/DataWriteFailures.h"
#include "gui/shell/FlowLayout.h"
#include "gui/shell/FormRegistry.h"
#include "gui/shell/GapLabel.h"
#include "gui/shell/ListViewTools.h"
#include "gui/shell/ShellOpen.h"
#include "gui/shell/ShellTexts.h"
#include "gui/shell/Sound.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLinearGradient>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace T = DownloadWindowTexts;

QPointer<fFileDownload> fFileDownload::s_instance;

namespace {
// Layout margins of the original window, in twips (15 per pixel).
constexpr int kTwipsPerPixel = 15;
constexpr int kMarginTwips = 20;
constexpr int kNarrowerTwips = 300;
constexpr int kBottomTwips = 140;
// Starting widths of the list's columns before the folder column, which takes the rest (pixels).
constexpr int kColumnWidths[] = {300, 50, 90, 90, 80};
static_assert(std::size(kColumnWidths) == DownloadListModel::FolderColumn);
// The folder column's; the file check after it takes the rest.
constexpr int kFolderColumnWidth = 240;
// The re-download box's width, in average characters.
constexpr int kReDownloadBoxChars = 14;
// The smallest window (pixels); wider when the widest tool needs it.
constexpr int kMinimumWidth = 600;
constexpr int kMinimumHeight = 400;

int pixels(int twips)
{
    return twips / kTwipsPerPixel;
}

template <typename W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}

// Controls that belong together, side by side in one piece that wraps as a whole.
QWidget *toolGroup(QWidget *parent, std::initializer_list<QWidget *> controls)
{
    auto *group = new QWidget(parent);
    auto *row = new QHBoxLayout(group);
    row->setContentsMargins(0, 0, 0, 0);
    for (QWidget *control : controls)
        row->addWidget(control);
    return group;
}

// The banner behind the controls: a soft blue band, stretched with the panel.
QPixmap bannerImage()
{
    QPixmap pixmap(600, 60);
    QPainter p(&pixmap);
    QLinearGradient gradient(0, 0, pixmap.width(), 0);
    gradient.setColorAt(0, QColor(214, 232, 250));
    gradient.setColorAt(1, QColor(245, 250, 255));
    p.fillRect(pixmap.rect(), gradient);
    return pixmap;
}

// A status-bar panel that reports clicks.
class ClickableLabel final : public QLabel
{
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && onClick)
            onClick();
        QLabel::mouseReleaseEvent(event);
    }
};
} // namespace

fFileDownload *fFileDownload::instance()
{
    return s_instance.data();
}

fFileDownload *fFileDownload::ensure()
{
    if (!s_instance)
        s_instance = new fFileDownload;
    return s_instance.data();
}

fFileDownload::fFileDownload(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fFileDownload"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_scheduler = new DownloadScheduler(this);
    m_pdfCheck = new DownloadPdfCheck(m_scheduler->list(), this);
    InstallEngines(*m_scheduler);
    buildControls();
    buildMenus();
    buildStatusBar();
    bindScheduler();
    load();
}

fFileDownload::~fFileDownload() = default;

void fFileDownload::buildControls()
{
    auto *central = new QWidget(this);
    setCentralWidget(central);

    m_picture3 = named(new QWidget(central), "Picture3");
    m_image1 = named(new QLabel(m_picture3), "Image1");
    m_image1->setPixmap(bannerImage());
    m_image1->setScaledContents(true);
    m_image1->lower();

    auto *label4 = named(new QLabel(T::kListLabel, m_picture3), "Label4");
    m_label1 = named(new QLabel(QStringLiteral("0") + T::kCountSuffix, m_picture3), "Label1");
    m_label7 = named(new QLabel(m_picture3), "Label7");
    m_command26 = named(new QPushButton(T::kSwitch, m_picture3), "Command26");
    m_command26->setToolTip(T::kSwitchTip);
    auto *label2 = named(new QLabel(T::kThreads, m_picture3), "Label2");
    m_combo1 = named(new QComboBox(m_picture3), "Combo1");
    for (int n = 1; n <= kMaxSlots; ++n)
        m_combo1->addItem(QString::number(n));
    auto *label8 = named(new QLabel(T::kSameName, m_picture3), "Label8");
    m_option1 = named(new QRadioButton(DownloadTexts::kSkip, m_picture3), "Option1");
    m_option2 = named(new QRadioButton(DownloadTexts::kOverwrite, m_picture3), "Option2");
    m_option3 = named(new QRadioButton(DownloadTexts::kRename, m_picture3), "Option3");
    m_combo2 = named(new QComboBox, "Combo2");
    auto *label5 = named(new GapLabel(T::kPause, m_combo2, m_picture3), "Label5");
    m_command4 = named(new QPushButton(T::kStart, m_picture3), "Command4");
    m_command31 = named(new QPushButton(T::kStop, m_picture3), "Command31");
    m_shape1 = named(new QFrame(m_picture3), "Shape1");
    m_shape1->setFixedSize(14, 14);
    m_shape1->setStyleSheet(QStringLiteral("background-color: rgb(40,170,70); border-radius: 7px;"));
    m_shape1->setVisible(false);
    m_check3 = named(new QCheckBox(T::kAutoReDownload, m_picture3), "Check3");
    m_combo4 = named(new QComboBox(m_picture3), "Combo4");
    m_combo4->addItems(T::kReDownloadRows);
    // The box shows the chosen entry; its drop-down list is widened to the longest one at load, so the box need
    // not be that wide itself and leaves the other options of its row their room.
    m_combo4->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_combo4->setMinimumContentsLength(kReDownloadBoxChars);
    m_check4 = named(new QCheckBox(T::kAutoStart, m_picture3), "Check4");
    m_check5 = named(new QCheckBox(T::kStopRule, m_picture3), "Check5");
    m_check6 = named(new QCheckBox(T::kSound, m_picture3), "Check6");
    m_command1 = named(new QPushButton(T::kLogin, m_picture3), "Command1");

    // Screen readers name each box after the caption beside it.
    label2->setBuddy(m_combo1);
    label8->setBuddy(m_option1);
    m_listView3 = named(new QTreeView(central), "ListView3");
    label4->setBuddy(m_listView3);
    m_combo4->setAccessibleName(T::kAutoReDownload);
    m_listView3->setAccessibleName(T::kListLabel);

    // Two rows of tools that wrap where the window is too narrow for them. Controls that only make sense
    // together (a caption and its box, the same-name choices, start and stop) wrap as one piece.
    auto *rows = new QVBoxLayout(m_picture3);
    rows->setContentsMargins(6, 4, 6, 4);
    auto *row1 = named(new FlowLayout, "ToolRow1");
    row1->addWidget(toolGroup(m_picture3, {label4, m_label1}));
    row1->addWidget(toolGroup(m_picture3, {m_label7, m_command26}));
    row1->addWidget(toolGroup(m_picture3, {label2, m_combo1}));
    row1->addWidget(toolGroup(m_picture3, {label8, m_option1, m_option2, m_option3}));
    row1->addWidget(label5);
    row1->addWidgetPushedRight(toolGroup(m_picture3, {m_command4, m_command31, m_shape1}));
    auto *row2 = named(new FlowLayout, "ToolRow2");
    row2->addWidget(toolGroup(m_picture3, {m_check3, m_combo4}));
    for (QWidget *w : std::initializer_list<QWidget *>{m_check4, m_check5, m_check6})
        row2->addWidget(w);
    row2->addWidgetPushedRight(m_command1);
    rows->addLayout(row1);
    rows->addLayout(row2);

    m_listView3->setModel(&m_scheduler->list());
    m_listView3->setItemDelegate(new StateImageDelegate(m_listView3));
    m_listView3->setRootIsDecorated(false);
    m_listView3->setUniformRowHeights(true);
    m_listView3->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView3->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listView3->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView3->setContextMenuPolicy(Qt::CustomContextMenu);
    m_listView3->setToolTip(T::kListTip);
    m_listView3->header()->setStretchLastSection(true);
    // A document's title needs more room than the numbers beside it; the user can still resize every column.
    for (int column = 0; column < DownloadListModel::FolderColumn; ++column)
        m_listView3->setColumnWidth(column, kColumnWidths[column]);
    m_listView3->setColumnWidth(DownloadListModel::FolderColumn, kFolderColumnWidth);
    m_listView3->header()->setSectionsClickable(true);
    StripeListBackground(m_listView3);

    m_loginPanel = new LoginPanel(central);

    m_picture3->installEventFilter(this);

    // Tab walks the tools row by row, then the list.
    QWidget *order[] = {m_command26, m_combo1, m_option1, m_option2, m_option3, m_combo2,   m_command4, m_command31,
                        m_check3,    m_combo4, m_check4,  m_check5,  m_check6,  m_command1, m_listView3};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // The smallest window still shows every tool whole (wrapped) and a few rows of the list.
    const int toolsWidth = m_picture3->layout()->minimumSize().width();
    setMinimumSize(std::max(kMinimumWidth, toolsWidth + pixels(kNarrowerTwips) + 2 * pixels(kMarginTwips)),
                   kMinimumHeight);
}

void fFileDownload::buildMenus()
{
    m_menuList = new DownloadListMenu(*this, menuBar());
    menuBar()->addMenu(m_menuList);
    auto *list = static_cast<DownloadListMenu *>(m_menuList);
    m_menuStartAll = list->startAll();
    m_menuStop = list->stop();
    m_menuClear = list->clear();
    m_menuEmpty = list->empty();
    m_menuSelectAll = list->selectAll();

    DownloadWindowHooks &hooks = DownloadWindowHooks::instance();
    auto addAction = [](QMenu *menu, const QString &text, const char *name) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QString::fromUtf8(name));
        return action;
    };

    QMenu *window = named(menuBar()->addMenu(T::kMenuWindow), "menu窗口");
    QAction *main = addAction(window, T::kMainWindow, "menu资料检索分析窗口");
    main->setEnabled(bool(hooks.showMainWindow));
    connect(window, &QMenu::aboutToShow, main,
            [main] { main->setEnabled(bool(DownloadWindowHooks::instance().showMainWindow)); });
    connect(main, &QAction::triggered, this, [] {
        if (DownloadWindowHooks::instance().showMainWindow)
            DownloadWindowHooks::instance().showMainWindow();
    });

    QMenu *tools = named(menuBar()->addMenu(ShellTexts::kMenuTools), "menu工具");
    QAction *options = addAction(tools, T::kOptions, "设置");
    options->setEnabled(bool(hooks.showOptions));
    connect(options, &QAction::triggered, this, [this] {
        if (DownloadWindowHooks::instance().showOptions)
            DownloadWindowHooks::instance().showOptions(this);
    });
    m_menuAutoLocate = addAction(tools, T::kAutoLocate, "menu自动定位到下载项");
    m_menuAutoLocate->setCheckable(true);
    connect(m_menuAutoLocate, &QAction::toggled, m_scheduler, &DownloadScheduler::setAutoLocate);
    connect(addAction(tools, T::kCheckFiles, "menu检查文件是否存在"), &QAction::triggered, this,
            [this] { MarkMissingFiles(m_scheduler->list()); });
    connect(addAction(tools, T::kCorrectTypes, "menu检查并纠正磁盘文件类型"), &QAction::triggered, this,
            &fFileDownload::correctFileTypes);
    connect(addAction(tools, T::kJudgeType, "menu打开文件判断类型"), &QAction::triggered, this,
            &fFileDownload::chooseFileAndReportType);
    QAction *cache = addAction(tools, T::kClearCache, "menu清空IE浏览器缓存");
    cache->setEnabled(bool(hooks.clearBrowserCache));
    connect(tools, &QMenu::aboutToShow, this, [options, cache] {
        options->setEnabled(bool(DownloadWindowHooks::instance().showOptions));
        cache->setEnabled(bool(DownloadWindowHooks::instance().clearBrowserCache));
    });
    connect(cache, &QAction::triggered, this, [] {
        if (DownloadWindowHooks::instance().clearBrowserCache)
            DownloadWindowHooks::instance().clearBrowserCache();
    });

    QMenu *help = named(menuBar()->addMenu(ShellTexts::kMenuHelp), "menu帮助");
    QAction *about = addAction(help, T::kAbout, "关于");
    about->setEnabled(bool(hooks.showAbout));
    connect(help, &QMenu::aboutToShow, about,
            [about] { about->setEnabled(bool(DownloadWindowHooks::instance().showAbout)); });
    connect(about, &QAction::triggered, this, [this] {
        if (DownloadWindowHooks::instance().showAbout)
            DownloadWindowHooks::instance().showAbout(this);
    });
}

void fFileDownload::buildStatusBar()
{
    QStatusBar *bar = named(new QStatusBar(this), "StatusBar1");
    setStatusBar(bar);
    for (int i = 0; i < 4; ++i) {
        auto *panel = new ClickableLabel(bar);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        bar->addWidget(panel, i == 1 || i == 2 ? 1 : 0);
        m_panels[i] = panel;
    }
    m_panels[0]->setText(T::kPanel1);
    DataWriteFailures::addTo(*bar);
    static_cast<ClickableLabel *>(m_panels[1])->onClick = [this] { onStatusPanel2Clicked(); };
}

void fFileDownload::bindScheduler()
{
    DownloadScheduler *s = m_scheduler;
    connect(m_command4, &QPushButton::clicked, s, &DownloadScheduler::StartDownloads);
    connect(m_command31, &QPushButton::clicked, s, &DownloadScheduler::StopAllDownloads);
    connect(m_command26, &QPushButton::clicked, s, &DownloadScheduler::switchEngine);
    connect(m_combo1, &QComboBox::currentIndexChanged, s, [s](int index) {
        if (index >= 0)
            s->setThreads(index + 1);
    });
    connect(m_combo2, &QComboBox::currentIndexChanged, s,
            [this](int) { m_scheduler->setPauseSeconds(m_combo2->currentText().toInt()); });
    for (QRadioButton *option : {m_option1, m_option2, m_option3})
        connect(option, &QRadioButton::toggled, s, [s, option](bool on) {
            if (on)
                s->setSameNameChoice(option->text());
        });
    connect(m_check3, &QCheckBox::toggled, s, &DownloadScheduler::setAutoReDownload);
    connect(m_combo4, &QComboBox::currentIndexChanged, s, [s](int index) {
        if (index >= 0)
            s->setReDownloadRows(static_cast<DownloadScheduler::ReDownload>(index));
    });
    connect(m_check4, &QCheckBox::toggled, s, &DownloadScheduler::setAutoStart);
    connect(m_check5, &QCheckBox::toggled, s, &DownloadScheduler::setStopRule);
    connect(m_check6, &QCheckBox::toggled, s, &DownloadScheduler::setSoundEnabled);
    connect(m_command1, &QPushButton::clicked, this, [this] {
        const int row = currentRow();
        const bool selected =
            m_scheduler->list().isValidRow(row) && m_listView3->selectionModel()->isRowSelected(row, QModelIndex());
        m_loginPanel->showPanel(selected ? m_scheduler->list().item(row).address : QString());
    });
    connect(m_loginPanel, &LoginPanel::autoLoginChanged, s, &DownloadScheduler::setAutoLoginChecked);
    connect(s, &DownloadScheduler::autoLoginRequested, m_loginPanel, &LoginPanel::runAutoLogin);
    connect(m_loginPanel, &LoginPanel::pageTitleChanged, this,
            [this](const QString &title) { m_panels[2]->setText(title); });

    connect(s, &DownloadScheduler::optionsChanged, this, &fFileDownload::refreshOptions);
    connect(s, &DownloadScheduler::supervised, this, &fFileDownload::refreshIndicators);
    connect(s, &DownloadScheduler::statusTextChanged, this, [this](int panel, const QString &text) {
        if (panel >= 1 && panel <= 4)
            m_panels[panel - 1]->setText(text);
    });
    connect(s, &DownloadScheduler::soundRequested, this, [](int number) { PlaySoundNumber(number); });
    connect(s, &DownloadScheduler::scrollRequested, this,
            [this](int row) { m_listView3->scrollTo(m_scheduler->list().index(row, 0)); });

    connect(m_listView3, &QTreeView::clicked, this, &fFileDownload::onRowClicked);
    connect(m_listView3, &QTreeView::doubleClicked, this, &fFileDownload::onRowDoubleClicked);
    connect(m_listView3, &QTreeView::customContextMenuRequested, this, &fFileDownload::onContextMenu);
    connect(m_listView3->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { static_cast<DownloadListMenu *>(m_menuList)->sortByColumn(column); });
}

void fFileDownload::load()
{
    // 1. Caption and icon.
    setWindowTitle(T::kCaption + QLatin1Char('-') + ApplicationTitle());
    setWindowIcon(AppIcon());
    // 2. The re-download box on its first entry, its drop-down wide enough for its longest entry.
    m_combo4->setCurrentIndex(0);
    FitComboDropWidth(m_combo4);
    // 3-8. lastTransferEnd, the empty list, mode, threads, same-name choice and download settings: the scheduler.
    refreshOptions();
    const QString choice = m_scheduler->sameNameChoice();
    for (QRadioButton *option : {m_option1, m_option2, m_option3})
        option->setChecked(option->text().trimmed() == choice);
    // 9. Placement for this screen.
    resize(pixels(15000), pixels(10000));
    RestoreWindowPlacement(this);
    // 10. The pause box: 0 to 600 seconds, "0" selected.
    for (int seconds = 0; seconds <= 600; ++seconds)
        m_combo2->addItem(QString::number(seconds));
    m_combo2->setCurrentIndex(0);
    // 12. The supervision tick already runs (the scheduler started it).
    refreshIndicators();
    refreshCount();
}

void fFileDownload::refreshOptions()
{
    m_label7->setText(m_scheduler->modeLabelText());
    if (m_scheduler->mode() == 1) {
        m_combo1->setCurrentIndex(0);
        m_combo1->setEnabled(false);
    } else {
        m_combo1->setEnabled(true);
        m_combo1->setCurrentIndex(m_scheduler->threads() - 1);
    }
    m_check3->setChecked(m_scheduler->autoReDownload());
    m_check4->setChecked(m_scheduler->autoStart());
}

void fFileDownload::refreshIndicators()
{
    m_menuStartAll->setEnabled(m_scheduler->startEnabled());
    m_shape1->setVisible(m_scheduler->runningShown());
    m_panels[3]->setText(m_scheduler->statisticsText());
}

void fFileDownload::refreshCount()
{
    m_label1->setText(QString::number(m_scheduler->list().size()) + T::kCountSuffix);
}

bool fFileDownload::加入下载列表(const QString &address, const QString &name, const QString &type,
                                 const QString &folder, const QString &referrer, bool nameFromAddress)
{
    return ::加入下载列表(m_scheduler->list(), address, name, type, folder, referrer, nameFromAddress);
}

void fFileDownload::showWindow(bool restore)
{
    m_listView3->viewport()->update();
    if (restore && isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void fFileDownload::closeEvent(QCloseEvent *event)
{
    // 1. The same-name choice and the mode are stored whatever the answer below.
    for (QRadioButton *option : {m_option1, m_option2, m_option3})
        if (option->isChecked())
            m_scheduler->setSameNameChoice(option->text().trimmed());
    m_scheduler->storeChoices();

    // 2. Transfers running or rows left to do: ask first.
    if (m_scheduler->closeNeedsQuestion() && !Prompt::current().ask(DownloadTexts::kForceCloseQuestion)) {
        event->ignore();
        return;
    }

    // 3. Timers off, downloads stopped, placement and thread box stored.
    m_scheduler->shutdown();
    SaveWindowPlacement(this);
    if (!IsFormLoaded(QStringLiteral("fWebSearch")))
        ShowStartWindow();
    // 4. The window and its list go (WA_DeleteOnClose).
    event->accept();
}

void fFileDownload::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshCount();
}

bool fFileDownload::eventFilter(QObject *watched, QEvent *event)
{
    // A caption that changed its width may move the tools to another line: the list moves with them.
    if (watched == m_picture3 && event->type() == QEvent::LayoutRequest)
        layoutPanels();
    return QMainWindow::eventFilter(watched, event);
}

void fFileDownload::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    layoutPanels();
}

void fFileDownload::layoutPanels()
{
    if (isMinimized())
        return;
    QWidget *central = centralWidget();
    const int margin = std::max(1, pixels(kMarginTwips));
    const int width = std::max(0, central->width() - pixels(kNarrowerTwips));
    const int bannerHeight = m_picture3->layout()->heightForWidth(width);
    m_picture3->setGeometry(margin, margin, width, bannerHeight);
    m_image1->setGeometry(m_picture3->rect());
    const int listTop = margin + bannerHeight + margin;
    m_listView3->setGeometry(margin, listTop, width, std::max(0, central->height() - listTop - pixels(kBottomTwips)));
    m_loginPanel->setGeometry(m_listView3->geometry());
}

QList<int> fFileDownload::selectedRows() const
{
    QList<int> rows;
    const QModelIndexList selected = m_listView3->selectionModel()->selectedRows();
    for (const QModelIndex &index : selected)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int fFileDownload::currentRow() const
{
    const QModelIndex current = m_listView3->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void fFileDownload::onRowClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const QString path = ItemFilePath(m_scheduler->list().item(index.row()));
    m_panels[1]->setText(IsExistingFile(path) ? path : QString());
}

void fFileDownload::onRowDoubleClicked()
{
    const int row = currentRow();
    DownloadListModel &list = m_scheduler->list();
    if (!list.isValidRow(row))
        return;
    const DownloadItem &item = list.item(row);
    if (item.state == ItemState::Done) {
        const QString path = ItemFilePath(item);
        if (IsExistingFile(path))
            OpenWithShell(path, this);
        else
            Prompt::current().message(ShellTexts::kFileMissing, Prompt::Icon::Critical);
    } else if (item.state == ItemState::Failed) {
        RetryFailedRow(list, row);
    }
}

void fFileDownload::onContextMenu(const QPoint &pos)
{
    m_menuList->popup(m_listView3->viewport()->mapToGlobal(pos));
}

void fFileDownload::onStatusPanel2Clicked()
{
    const QString text = m_panels[1]->text();
    if (!text.isEmpty())
        OpenAddress(text, true);
}

void fFileDownload::chooseFileAndReportType()
{
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), QStringLiteral("*.*"));
    if (!path.isEmpty())
        reportFileType(path);
}

void fFileDownload::reportFileType(const QString &path)
{
    Prompt::current().message(FileTypeMessage(path), Prompt::Icon::Information);
}

void fFileDownload::correctFileTypes()
{
    if (m_scheduler->transfersActive()) {
        Prompt::current().message(DownloadTexts::kStopBeforeOperation, Prompt::Icon::Information);
        return;
    }
    if (m_scheduler->list().isEmpty())
        return;
    const int corrected = CorrectAllFileTypes(m_scheduler->list());
    Prompt::current().message(CorrectedFileTypesMessage(corrected), Prompt::Icon::Information);
}
