#include "gui/fFileDownload/login/LoginPanel.h"

#include "core/net/HttpRequest.h"
#include "core/util/ClockTimer.h"
#include "gui/fFileDownload/login/LoginPanelTexts.h"
#include "gui/shell/ShellTexts.h"
#include "web/WebEngineBrowser.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace T = LoginPanelTexts;

namespace {
const QString kBlank = QStringLiteral("about:blank");
// The browser's margin inside the panel: 40 twips.
constexpr int kBrowserMargin = 40 / 15;

template <typename W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}
} // namespace

LoginPanel::LoginPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PicWebBK"));
    setAutoFillBackground(true);
    m_browser = new WebEngineBrowser(nullptr, this);
    m_browser->setSilent(true);
    m_login = new SiteLogin(*m_browser, *this, this);
    m_timer2 = named(new ClockTimer(this), "Timer2");
    m_timer2->setInterval(kRefreshInterval);
    buildControls();
    bindControls();
    m_combo3->setCurrentIndex(0);
    m_browser->navigate(kBlank);
    hide();
}

LoginPanel::~LoginPanel() = default;

Browser &LoginPanel::browser() const
{
    return *m_browser;
}

void LoginPanel::buildControls()
{
    auto *label6 = named(new QLabel(T::kAddress, this), "Label6");
    m_text1 = named(new QLineEdit(this), "Text1");
    m_command2 = named(new QPushButton(T::kBrowse, this), "Command2");
    m_command5 = named(new QPushButton(T::kTestLogin, this), "Command5");
    m_command3 = named(new QPushButton(T::kHide, this), "Command3");
    m_option4 = named(new QRadioButton(T::kAccountLogin, this), "Option4");
    m_option4->setChecked(true);
    m_text2 = named(new QLineEdit(this), "Text2");
    auto *label10 = named(new QLabel(T::kPassword, this), "Label10");
    m_text3 = named(new QLineEdit(this), "Text3");
    m_text3->setEchoMode(QLineEdit::Password);
    m_option5 = named(new QRadioButton(T::kIpLogin, this), "Option5");
    auto *label11 = named(new QLabel(T::kCondition, this), "Label11");
    m_combo3 = named(new QComboBox(this), "Combo3");
    m_combo3->addItem(T::kConditionPage);
    m_check2 = named(new QCheckBox(T::kAutoLogin, this), "Check2");
    m_check1 = named(new QCheckBox(T::kAutoRefresh, this), "Check1");
    m_web1 = named(new QWebEngineView(this), "Web1");
    m_web1->setPage(m_browser->page());
    m_web1->setContextMenuPolicy(Qt::NoContextMenu);
    m_web1->setAccessibleName(ShellTexts::kBrowserName);
    label6->setBuddy(m_text1);
    label10->setBuddy(m_text3);
    label11->setBuddy(m_combo3);
    m_text2->setAccessibleName(T::kAccountLogin);

    // F5 reloads the page while the panel has the focus, as in any browser.
    auto *reload = new QAction(this);
    reload->setObjectName(QStringLiteral("keyReload"));
    reload->setShortcut(QKeySequence::Refresh);
    reload->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(reload, &QAction::triggered, m_browser, &Browser::refresh);
    addAction(reload);

    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(kBrowserMargin, kBrowserMargin, kBrowserMargin, kBrowserMargin);
    auto *addressRow = new QHBoxLayout;
    addressRow->addWidget(label6);
    addressRow->addWidget(m_text1, 1);
    for (QWidget *w : std::initializer_list<QWidget *>{m_command2, m_command5, m_command3})
        addressRow->addWidget(w);
    auto *accountRow = new QHBoxLayout;
    accountRow->addWidget(m_option4);
    accountRow->addWidget(m_text2, 1);
    accountRow->addWidget(label10);
    accountRow->addWidget(m_text3, 1);
    accountRow->addWidget(m_option5);
    auto *autoRow = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{label11, m_combo3, m_check2, m_check1})
        autoRow->addWidget(w);
    autoRow->addStretch();
    rows->addLayout(addressRow);
    rows->addLayout(accountRow);
    rows->addLayout(autoRow);
    rows->addWidget(m_web1, 1);
}

void LoginPanel::bindControls()
{
    connect(m_command2, &QPushButton::clicked, this, [this] { m_login->browse(); });
    connect(m_command5, &QPushButton::clicked, this, [this] { m_login->login(true); });
    connect(m_command3, &QPushButton::clicked, this, &LoginPanel::hidePanel);
    connect(m_check1, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            m_timer2->start();
        else
            m_timer2->stop();
    });
    connect(m_timer2, &ClockTimer::timeout, m_browser, &Browser::refresh);
    connect(m_check2, &QCheckBox::toggled, this, [this](bool on) {
        // A refusal unchecks the box from inside this handler; whoever listens learns the final state.
        if (on && !m_login->checkAutoLogin())
            return;
        Q_EMIT autoLoginChanged(m_check2->isChecked());
    });
    connect(m_browser, &Browser::titleChanged, this, [this](const QString &title) {
        if (m_browser->currentUrl() != kBlank && title != kBlank)
            Q_EMIT pageTitleChanged(title);
    });
}

void LoginPanel::showPanel(const QString &selectedAddress)
{
    show();
    raise();
    if (!m_check1->isChecked() && !m_check2->isChecked() && IsWebAddress(selectedAddress))
        m_browser->navigate(selectedAddress);
}

void LoginPanel::hidePanel()
{
    hide();
    if (!m_check1->isChecked())
        m_browser->navigate(kBlank);
}

bool LoginPanel::autoLoginChecked() const
{
    return m_check2->isChecked();
}

void LoginPanel::runAutoLogin()
{
    m_login->login(false);
}

QString LoginPanel::loginAddress() const
{
    return m_text1->text();
}

QString LoginPanel::account() const
{
    return m_text2->text();
}

QString LoginPanel::password() const
{
    return m_text3->text();
}

bool LoginPanel::accountLogin() const
{
    return m_option4->isChecked();
}

void LoginPanel::uncheckAutoLogin()
{
    m_check2->setChecked(false);
}

bool LoginPanel::loginEnabled() const
{
    return m_command5->isEnabled();
}

void LoginPanel::setLoginEnabled(bool enabled)
{
    m_command5->setEnabled(enabled);
}

void LoginPanel::setBrowseEnabled(bool enabled)
{
    m_command2->setEnabled(enabled);
}
