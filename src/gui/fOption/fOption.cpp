#include "gui/fOption/fOption.h"

#include "core/analysis/ProxyCheck.h"
#include "core/analysis/ProxyListText.h"
#include "core/analysis/ProxyRotation.h"
#include "core/download/DownloadScheduler.h"
#include "core/download/DownloadSettings.h"
#include "core/search/SaveFolderQuestion.h"
#include "core/store/Settings.h"
#include "core/util/Deployment.h"
#include "core/util/Prompt.h"
#include "gui/fFileDownload/DownloadWindowHooks.h"
#include "gui/fFileDownload/fFileDownload.h"
#include "gui/fOption/fOptionTexts.h"
#include "gui/fWebSearch/fWebSearch.h"
#include "gui/shell/AppIcon.h"
#include "gui/shell/GapLabel.h"
#include "gui/shell/ShellOpen.h"
#include "gui/shell/ShellTexts.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>

namespace T = fOptionTexts;

namespace {
template <typename W> W *named(W *w, const char *name)
{
    w->setObjectName(QString::fromUtf8(name));
    return w;
}

// The main window holds the rotation and the in-memory proxy list while it exists.
fWebSearch *mainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *main = qobject_cast<fWebSearch *>(w))
            return main;
    return nullptr;
}

bool isPort(const QString &text)
{
    bool ok = false;
    const int port = text.toInt(&ok);
    return ok && port >= 1 && port <= 65535;
}

bool isHost(const QString &text)
{
    if (text.isEmpty())
        return false;
    QUrl url;
    url.setHost(text, QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty();
}
} // namespace

fOption::fOption(QWidget *parent) : QDialog(parent), m_check(new ProxyCheck(this))
{
    setObjectName(QStringLiteral("fOption"));
    setWindowTitle(T::kCaption);
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    buildControls();
    load();
    connect(m_command1, &QPushButton::clicked, this, &fOption::confirm);
    connect(m_command2, &QPushButton::clicked, this, &fOption::reject);
    connect(m_command3, &QPushButton::clicked, this, &fOption::Command3_Click);
    connect(m_check, &ProxyCheck::testingStarted, this, &fOption::onTestingStarted);
    connect(m_check, &ProxyCheck::progressChanged, m_progressBar1, &QProgressBar::setValue);
    connect(m_check, &ProxyCheck::finished, this, &fOption::onCheckFinished);
}

void fOption::ask(QWidget *owner)
{
    fOption dialog(owner);
    dialog.exec();
}

void fOption::installDownloadWindowHook()
{
    DownloadWindowHooks::instance().showOptions = [](QWidget *owner) { ask(owner); };
}

void fOption::buildControls()
{
    auto *frame2 = named(new QGroupBox(T::kEngineFrame, this), "Frame2");
    m_option1 = named(new QRadioButton(T::kEngine1), "Option1");
    m_option2 = named(new QRadioButton(T::kEngine2), "Option2");
    m_check1 = named(new QCheckBox(T::kProxyOn), "Check1");
    m_text6 = named(new QLineEdit, "Text6");
    m_text6->setMinimumWidth(200);
    m_text8 = named(new QLineEdit, "Text8");
    m_text8->setMaximumWidth(80);
    m_check2 = named(new QCheckBox(T::kAskSaveFolder), "Check2");
    m_text1 = named(new QLineEdit(T::kSizeDefault), "Text1");
    m_text1->setFixedWidth(60);
    m_text1->setAlignment(Qt::AlignRight);

    auto *proxyGrid = new QGridLayout;
    proxyGrid->setContentsMargins(20, 0, 0, 0);
    // Each box goes by its label's name: without a buddy a screen reader names it after the frame ("下载方式").
    auto *label14 = named(new QLabel(T::kAddressLabel), "Label14");
    label14->setBuddy(m_text6);
    auto *label15 = named(new QLabel(T::kPortLabel), "Label15");
    label15->setBuddy(m_text8);
    proxyGrid->addWidget(label14, 0, 0);
    proxyGrid->addWidget(m_text6, 0, 1);
    proxyGrid->addWidget(named(new QLabel(T::kAddressHint), "Label6"), 0, 2);
    proxyGrid->addWidget(label15, 1, 0);
    proxyGrid->addWidget(m_text8, 1, 1, Qt::AlignLeft);
    proxyGrid->addWidget(named(new QLabel(T::kPortHint), "Label10"), 1, 2);
    proxyGrid->setColumnStretch(2, 1);

    auto *engine = new QVBoxLayout(frame2);
    engine->addWidget(m_option1);
    engine->addWidget(m_option2);
    engine->addWidget(m_check1);
    engine->addLayout(proxyGrid);
    engine->addWidget(m_check2);
    auto *size = new QHBoxLayout;
    size->addWidget(named(new GapLabel(T::kSizeLabel, m_text1), "Label2"));
    size->addStretch();
    engine->addLayout(size);

    auto *frame1 = named(new QGroupBox(T::kListFrame, this), "Frame1");
    m_option3 = new QButtonGroup(this);
    auto *choices = new QHBoxLayout;
    const QStringList captions{T::kNoRotation, T::kRotation};
    for (int i = 0; i < captions.size(); ++i) {
        auto *option = named(new QRadioButton(captions.at(i)), "Option3");
        option->setProperty("index", i);
        m_option3->addButton(option, i);
        choices->addWidget(option);
    }
    choices->addStretch();
    m_text2 = named(new QPlainTextEdit, "Text2");
    m_text2->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text2->setTabChangesFocus(true);
    m_text2->setMinimumSize(220, 180);
    auto *list = new QGridLayout(frame1);
    list->addLayout(choices, 0, 0, 1, 2);
    list->addWidget(m_text2, 1, 0);
    auto *help = named(new QLabel(T::kListHelp), "Label3");
    help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    list->addWidget(help, 1, 1);
    m_command3 = named(new QPushButton(T::kCheck), "Command3");
    m_combo1 = named(new QComboBox, "Combo1");
    m_combo1->addItems(T::kResponseSeconds);
    m_combo1->setCurrentIndex(0);
    auto *checkRow = new QHBoxLayout;
    checkRow->addWidget(m_command3);
    checkRow->addSpacing(12);
    checkRow->addWidget(named(new GapLabel(T::kResponseTime, m_combo1), "Label4"));
    checkRow->addStretch();
    list->addLayout(checkRow, 2, 0, 1, 2);
    list->addWidget(named(new QLabel(T::kFailedList), "Label5"), 3, 0, 1, 2);
    m_text3 = named(new QPlainTextEdit, "Text3");
    m_text3->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text3->setTabChangesFocus(true);
    m_text3->setMinimumHeight(80);
    list->addWidget(m_text3, 4, 0, 1, 2);
    m_progressBar1 = named(new QProgressBar, "ProgressBar1");
    m_progressBar1->hide();
    list->addWidget(m_progressBar1, 5, 0, 1, 2);
    m_label7 = named(new QLabel(T::kProxyTool), "Label7");
    m_label7->setCursor(Qt::PointingHandCursor);
    QPalette link = m_label7->palette();
    link.setColor(QPalette::WindowText, Qt::blue);
    m_label7->setPalette(link);
    m_label7->installEventFilter(this);
    list->addWidget(m_label7, 6, 0, 1, 2);
    list->setColumnStretch(0, 1);

    m_command1 = named(new QPushButton(T::kOk), "Command1");
    m_command2 = named(new QPushButton(ShellTexts::kCancel), "Command2");
    // Enter anywhere outside the list box is OK; Esc is Cancel (QDialog's reject).
    m_command1->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_command1);
    buttons->addWidget(m_command2);

    auto *column = new QVBoxLayout(this);
    column->addWidget(frame2);
    column->addWidget(frame1, 1);
    column->addLayout(buttons);

    const QList<QWidget *> order{m_option1,
                                 m_option2,
                                 m_check1,
                                 m_text6,
                                 m_text8,
                                 m_check2,
                                 m_text1,
                                 m_option3->button(0),
                                 m_option3->button(1),
                                 m_text2,
                                 m_command3,
                                 m_combo1,
                                 m_text3,
                                 m_command1,
                                 m_command2};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
}

void fOption::load()
{
    // The store holds what is in force: OK writes it together with the program-wide values, and the download
    // window re-reads it when it opens. Only the engine may have been switched in the open download window since.
    const DownloadSettings settings = DownloadSettings::fromStore();
    int engine = settings.mode;
    if (fFileDownload *downloads = fFileDownload::instance())
        engine = downloads->scheduler().mode();
    m_check1->setChecked(settings.proxyEnabled);
    m_text6->setText(settings.proxyAddress);
    m_text8->setText(settings.proxyPort);
    m_option1->setChecked(engine == 1);
    m_option2->setChecked(engine == 2);
    m_check2->setChecked(SaveFolderQuestion::enabled());
    m_text1->setText(QString::number(settings.maxFileSizeMb));

    bool rotation = SettingKeys::使用ip代理.read();
    QStringList proxies;
    if (fWebSearch *main = mainWindow()) {
        rotation = main->proxy().UseProxyList();
        proxies = main->proxy().ProxyList();
    } else {
        proxies = ProxyRotation::readProxyListFile();
    }
    m_option3->button(rotation ? 1 : 0)->setChecked(true);
    QString text;
    for (const QString &entry : std::as_const(proxies))
        if (!entry.trimmed().isEmpty())
            text += entry.trimmed() + QStringLiteral("\r\n");
    m_text2->setPlainText(text);
}

bool fOption::fieldsAreValid()
{
    const QString address = m_text6->text().trimmed();
    const QString port = m_text8->text().trimmed();
    // A proxy that is off may keep an empty address, but a port typed in must still be a port.
    QLineEdit *wrong = nullptr;
    if (m_check1->isChecked() && !isHost(address))
        wrong = m_text6;
    else if ((m_check1->isChecked() || !port.isEmpty()) && !isPort(port))
        wrong = m_text8;
    if (wrong) {
        Prompt::current().message(T::kBadProxy, Prompt::Icon::Critical);
        wrong->setFocus();
        wrong->selectAll();
        return false;
    }
    bool ok = false;
    const double size = m_text1->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(size) || size <= 0) {
        Prompt::current().message(T::kBadSize, Prompt::Icon::Critical);
        m_text1->setFocus();
        m_text1->selectAll();
        return false;
    }
    return true;
}

void fOption::confirm()
{
    if (!isIdle() || !fieldsAreValid())
        return;
    DownloadSettings &settings = DownloadSettings::program();
    fFileDownload *downloads = fFileDownload::instance();

    const int engine = m_option1->isChecked() ? 1 : m_option2->isChecked() ? 2 : 0;
    if (engine != 0) {
        settings.mode = engine;
        SettingKeys::下载方式.write(engine);
        if (downloads) {
            downloads->scheduler().setMode(engine);
            downloads->findChild<QLabel *>(QStringLiteral("Label7"))->setText(downloads->scheduler().modeLabelText());
            auto *threads = downloads->findChild<QComboBox *>(QStringLiteral("Combo1"));
            threads->setEnabled(engine == 2);
            // The thread box drives the scheduler: the first entry is one thread.
            if (engine == 2)
                threads->setCurrentIndex(0);
        }
    }

    settings.proxyEnabled = m_check1->isChecked();
    SettingKeys::代理服务器有效.write(settings.proxyEnabled);
    settings.proxyAddress = m_text6->text().trimmed();
    SettingKeys::代理服务器网址.write(settings.proxyAddress);
    settings.proxyPort = m_text8->text().trimmed();
    SettingKeys::代理服务器端口.write(settings.proxyPort);

    SaveFolderQuestion::enabled() = m_check2->isChecked();
    SettingKeys::提取网页信息时提示下载保存路径.write(m_check2->isChecked());

    settings.maxFileSizeMb = m_text1->text().trimmed().toDouble();
    SettingKeys::文件最大值.write(settings.maxFileSizeMb);

    const bool rotation = m_option3->checkedId() == 1;
    SettingKeys::使用ip代理.write(rotation);
    去掉Text2里面的重复项();
    // The list may have been typed at length: the dialog stays open with it when it cannot be saved.
    if (!WriteProxyListFile(m_text2->toPlainText())) {
        Prompt::current().message(T::kListNotSaved, Prompt::Icon::Critical);
        return;
    }
    if (fWebSearch *main = mainWindow()) {
        main->proxy().setProxyList(m_text2->toPlainText().split(QStringLiteral("\n")));
        main->proxy().setUseProxyList(rotation);
    }
    accept();
}

void fOption::去掉Text2里面的重复项()
{
    m_text2->setPlainText(UniqueProxyLines(m_text2->toPlainText()));
}

void fOption::reject()
{
    if (isIdle())
        QDialog::reject();
}

bool fOption::isIdle()
{
    if (!m_check->isRunning())
        return true;
    Prompt::current().message(T::kBusy, Prompt::Icon::Critical);
    return false;
}

bool fOption::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_label7 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        OpenAddress(Deployment::proxyToolPage());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void fOption::Command3_Click()
{
    if (m_check->isRunning()) {
        m_check->stop();
        return;
    }
    m_command3->setText(T::kStopCheck);
    去掉Text2里面的重复项();
    m_check->start(m_text2->toPlainText(), m_combo1->currentText().toInt());
}

void fOption::onTestingStarted(int lines)
{
    m_text3->clear();
    m_text3->setEnabled(false);
    m_text2->setEnabled(false);
    m_progressBar1->setRange(0, lines);
    m_progressBar1->setValue(0);
    m_progressBar1->show();
}

void fOption::onCheckFinished(const ProxyCheckResult &result)
{
    m_command3->setText(T::kCheck);
    m_progressBar1->hide();
    m_text2->setEnabled(true);
    m_text3->setEnabled(true);
    if (result.end == ProxyCheckResult::End::NoOwnAddress) {
        Prompt::current().message(T::kCheckFailed, Prompt::Icon::Critical);
        return;
    }
    m_text2->setPlainText(result.goodList);
    m_text3->setPlainText(result.badList);
    Prompt::current().message(T::kSummaryLines + QString::number(result.lines) + T::kSummaryValid +
                                  QString::number(result.valid) + T::kSummaryInvalid + QString::number(result.invalid) +
                                  T::kSummaryNotTested + QString::number(result.notTested) + T::kSummaryEnd,
                              Prompt::Icon::Information);
}
