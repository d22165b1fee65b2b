#include "gui/frmAbout/frmAbout.h"

#include "core/about/MakerDetails.h"
#include "core/about/NewestVersion.h"
#include "core/about/ProgramVersion.h"
#include "core/about/UpdateAddress.h"
#include "core/store/SettingsStore.h"
#include "core/util/ClockTimer.h"
#include "core/util/Deployment.h"
#include "gui/fCover/fCover.h"
#include "gui/frmAbout/frmAboutTexts.h"
#include "gui/shell/AppIcon.h"
#include "gui/shell/ShellOpen.h"
#include "gui/shell/SystemInfo.h"

#include <QClipboard>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace T = frmAboutTexts;

namespace {
QLabel *namedLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromUtf8(name));
    return label;
}

void openSupportSite()
{
    // The support site asks for a browser window of its own, as the maker's pages always did.
    OpenAddress(Deployment::makerSite(), true);
}
} // namespace

frmAbout::frmAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowIcon(AppIcon());
    setWindowTitle(T::kCaptionStart + ApplicationTitle() + T::kCaptionEnd);
    // Without a button held, moves over the box reach it too: they take the underline away.
    setMouseTracking(true);

    QLabel *lsoftname = namedLabel(this, "lsoftname", ApplicationTitle());
    QFont titleFont = lsoftname->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    lsoftname->setFont(titleFont);
    QLabel *lblVersion = namedLabel(this, "lblVersion", T::kVersion + ProgramVersionText());
    const QString newest = NewestVersionText();
    QLabel *label10 = linkLabel("Label10", newest.isEmpty() ? T::kUpToDate : T::kNewerStart + newest + T::kNewerEnd,
                                T::kUpdateTip, [] { OpenAddress(ProductPageAddress()); });
    QLabel *label1 = namedLabel(this, "Label1", T::kMadeBy + MakerDetails::kName);
    QLabel *label2 =
        linkLabel("Label2", MakerDetails::kSiteBrand + Deployment::makerSite(), T::kSupportTip, openSupportSite);
    QLabel *label7 = linkLabel("Label7", MakerDetails::kSupportBrand + Deployment::makerSite(), {}, openSupportSite);
    QLabel *label5 = namedLabel(this, "Label5", T::kQq + MakerDetails::kQq);
    QLabel *label4 = linkLabel("Label4", T::kMail + MakerDetails::kMail, T::kMailTip,
                               [] { OpenAddress(QStringLiteral("mailto:") + MakerDetails::kMail); });

    m_text1 = new QPlainTextEdit(T::kSystem + SystemDescription(), this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setAccessibleName(T::kSystemBox);
    m_text1->setTabChangesFocus(true);
    m_text1->setFixedHeight(m_text1->fontMetrics().lineSpacing() * 4);
    auto *command1 = new QPushButton(T::kCopy, this);
    command1->setObjectName(QStringLiteral("Command1"));
    auto *cmdOK = new QPushButton(T::kOk, this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    for (QPushButton *b : {command1, cmdOK})
        b->setMinimumWidth(100);

    // Outside the layout: it is placed under whichever link the mouse is over.
    m_line2 = new QFrame(this);
    m_line2->setObjectName(QStringLiteral("Line2"));
    m_line2->setFrameShape(QFrame::NoFrame);
    m_line2->setAutoFillBackground(true);
    QPalette linePalette = m_line2->palette();
    linePalette.setColor(QPalette::Window, Qt::blue);
    m_line2->setPalette(linePalette);
    m_line2->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(6);
    for (QLabel *label : {lsoftname, lblVersion, label10})
        layout->addWidget(label, 0, Qt::AlignHCenter);
    layout->addSpacing(10);
    for (QLabel *label : {label1, label2, label7, label5, label4})
        layout->addWidget(label, 0, Qt::AlignLeft);
    layout->addSpacing(6);
    layout->addWidget(m_text1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(command1);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    layout->addLayout(buttons);
    setMinimumWidth(440);

    connect(command1, &QPushButton::clicked, this, [this] {
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(m_text1->toPlainText());
    });
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

frmAbout::~frmAbout() = default;

QLabel *frmAbout::linkLabel(const char *name, const QString &text, const QString &tip, std::function<void()> onClick)
{
    QLabel *label = namedLabel(this, name, text);
    label->setToolTip(tip);
    label->setCursor(Qt::PointingHandCursor);
    label->setMouseTracking(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(palette);
    label->installEventFilter(this);
    m_links.append({label, std::move(onClick)});
    return label;
}

void frmAbout::模拟网址下划线(QLabel *label)
{
    const QRect g = label->geometry();
    m_line2->setGeometry(g.left(), g.top() + g.height(), g.width(), 1);
    m_line2->raise();
    m_line2->show();
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    for (const auto &[label, onClick] : std::as_const(m_links)) {
        if (label != watched)
            continue;
        if (event->type() == QEvent::Enter)
            模拟网址下划线(label);
        if (event->type() == QEvent::MouseMove) {
            模拟网址下划线(label);
            // Taken here: passed on, the move would reach the box, which takes the line away.
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint()))
                onClick();
        }
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::mouseMoveEvent(QMouseEvent *event)
{
    m_line2->hide();
    QDialog::mouseMoveEvent(event);
}

void ShowAboutBox(QWidget *owner)
{
    {
        frmAbout box(owner);
        box.exec();
    }
    if (fCover *cover = fCover::instance())
        cover->updateTimer()->start();
}
