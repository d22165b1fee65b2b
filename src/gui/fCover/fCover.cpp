#include "gui/fCover/fCover.h"

#include "core/about/AboutTexts.h"
#include "core/about/ProgramVersion.h"
#include "core/about/UpdateAddress.h"
#include "core/about/UpdateCheck.h"
#include "core/download/DownloadSettings.h"
#include "core/search/SaveFolderQuestion.h"
#include "core/store/Settings.h"
#include "core/store/StoreTexts.h"
#include "core/store/VisitedDatabase.h"
#include "core/util/ClockTimer.h"
#include "core/util/Prompt.h"
#include "gui/fCover/fCoverTexts.h"
#include "gui/fFileDownload/DownloadWindowHooks.h"
#include "gui/fIEcache/ClearBrowserCache.h"
#include "gui/fOption/fOption.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "gui/frmAbout/frmAbout.h"
#include "gui/shell/AppIcon.h"
#include "gui/shell/ShellOpen.h"
#include "gui/shell/SystemInfo.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>

namespace {
// The update check runs this long after start-up (and after the about box closes).
constexpr std::chrono::milliseconds kUpdateCheckDelay{100};

fCover *g_cover = nullptr;
} // namespace

fCover::fCover(QWidget *parent) : QWidget(parent)
{
    g_cover = this;
    setObjectName(QStringLiteral("fCover"));
    setWindowIcon(AppIcon());
    setWindowTitle(ApplicationTitle());

    m_title = new QLabel(ApplicationTitle(), this);
    m_title->setObjectName(QStringLiteral("Label1"));
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 2);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setAlignment(Qt::AlignCenter);

    m_version = new QLabel(fCoverTexts::kVersion + ProgramVersionText(), this);
    m_version->setObjectName(QStringLiteral("LabelVersion"));
    m_version->setAlignment(Qt::AlignCenter);

    m_loading = new QLabel(fCoverTexts::kLoading, this);
    m_loading->setObjectName(QStringLiteral("LabelLoading"));
    m_loading->setAlignment(Qt::AlignCenter);

    m_notice = new QLabel(fCoverTexts::kNotice, this);
    m_notice->setObjectName(QStringLiteral("LabelNotice"));
    m_notice->setAlignment(Qt::AlignCenter);
    m_notice->setWordWrap(true);
    QPalette noticePalette = m_notice->palette();
    noticePalette.setColor(QPalette::WindowText, Qt::red);
    m_notice->setPalette(noticePalette);

    // The update check's notice of a newer version; hidden until it has something to say.
    m_label2 = new QLabel(this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setAlignment(Qt::AlignCenter);
    m_label2->setCursor(Qt::PointingHandCursor);
    m_label2->installEventFilter(this);
    m_label2->hide();

    m_search = new QPushButton(fCoverTexts::kSearch, this);
    m_search->setObjectName(QStringLiteral("Command1"));
    m_exit = new QPushButton(fCoverTexts::kExit, this);
    m_exit->setObjectName(QStringLiteral("Command2"));
    for (QPushButton *b : {m_search, m_exit})
        b->setMinimumSize(160, 40);

    m_timer1 = new ClockTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kUpdateCheckDelay);
    m_timer1->setSingleShot(true);
    connect(m_timer1, &ClockTimer::timeout, this, &fCover::Timer1_Timer);
    m_update = new UpdateCheck(this);
    connect(m_update, &UpdateCheck::newerVersionFound, this, &fCover::announceNewerVersion);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_search);
    buttons->addSpacing(24);
    buttons->addWidget(m_exit);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addStretch();
    layout->addWidget(m_title);
    layout->addWidget(m_version);
    layout->addSpacing(12);
    layout->addWidget(m_loading);
    layout->addWidget(m_label2);
    layout->addStretch();
    layout->addLayout(buttons);
    layout->addSpacing(12);
    layout->addWidget(m_notice);
    resize(560, 340);

    connect(m_search, &QPushButton::clicked, this, &fCover::openMainWindow);
    connect(m_exit, &QPushButton::clicked, this, &QWidget::close);
    // The download window's way back to the main window.
    DownloadWindowHooks::instance().showMainWindow = [this] { openMainWindow(); };
    fOption::installDownloadWindowHook();
    DownloadWindowHooks::instance().showAbout = ShowAboutBox;
    DownloadWindowHooks::instance().clearBrowserCache = [] { ClearBrowserCache(true); };

    // Shown first, loaded right after, so the user sees the cover (and its loading label) while it loads.
    QTimer::singleShot(0, this, &fCover::load);
}

fCover::~fCover()
{
    if (g_cover == this) {
        g_cover = nullptr;
        DownloadWindowHooks::instance().showMainWindow = nullptr;
        DownloadWindowHooks::instance().showAbout = nullptr;
        DownloadWindowHooks::instance().clearBrowserCache = nullptr;
    }
}

fCover *fCover::instance()
{
    return g_cover;
}

void fCover::load()
{
    // 控件注册: the database library is linked into the program here; there is no component to register on Linux.
    QString error;
    if (!OpenVisitedDatabase(&error))
        Prompt::current().message(StoreTexts::kVisitedUnusable.arg(error), Prompt::Icon::Warning);
    reportSettingsFile();
    BuildSystemDescription();
    // The browser-emulation setting has nothing to write: Qt WebEngine always renders in standards mode.
    DownloadSettings::program().maxFileSizeMb = SettingKeys::文件最大值.read();
    // The options dialog's choice holds across runs, not only for the rest of the one it was made in.
    SaveFolderQuestion::enabled() = SettingKeys::提取网页信息时提示下载保存路径.read();
    m_timer1->start();
    m_loading->hide();
    Q_EMIT loaded();
}

void fCover::reportSettingsFile()
{
    QStringList lines;
    for (const SettingsFileProblem &problem : SettingsFileProblems(ApplicationTitle()))
        lines << QString::number(problem.line);
    if (!lines.isEmpty())
        Prompt::current().message(
            StoreTexts::kSettingsFileFaulty.arg(QDir::toNativeSeparators(SettingsFilePath(ApplicationTitle())),
                                                lines.join(u'、')),
            Prompt::Icon::Warning);
}

void fCover::Timer1_Timer()
{
    m_timer1->stop();
    m_update->start();
}

void fCover::announceNewerVersion(const QString &version)
{
    m_label2->setText(AboutTexts::kNewerVersionNotice + version);
    m_label2->show();
    OpenAddress(ProductPageAddress() + QLatin1Char('/'));
    Prompt::current().message(AboutTexts::kNewerVersionMessage, Prompt::Icon::Information);
}

bool fCover::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_label2 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        OpenAddress(ProductPageAddress() + QLatin1Char('/'));
    return QWidget::eventFilter(watched, event);
}

void fCover::openMainWindow()
{
    hide();
    if (!m_main) {
        m_main = new fWebSearch;
        m_main->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_main->show();
    m_main->raise();
    m_main->activateWindow();
}

void fCover::closeEvent(QCloseEvent *event)
{
    m_timer1->stop();
    CloseVisitedDatabase();
    event->accept();
    // Closing the cover ends the program, whatever other windows are open.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void ShowStartWindow()
{
    if (fCover *cover = fCover::instance())
        cover->show();
}
