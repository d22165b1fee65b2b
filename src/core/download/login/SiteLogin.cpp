#include "core/download/login/SiteLogin.h"

#include "core/download/DownloadTexts.h"
#include "core/download/login/LoginForm.h"
#include "core/net/HttpRequest.h"
#include "core/net/LifetimeGuard.h"
#include "core/net/SignalWait.h"
#include "core/util/Clock.h"
#include "core/util/ClockTimer.h"
#include "core/util/Prompt.h"

#include <QUrl>

namespace {
const QString kIpLoginButton = QStringLiteral("submitip");
const QString kInputTag = QStringLiteral("input");
} // namespace

SiteLogin::SiteLogin(Browser &browser, LoginPanelView &view, QObject *parent)
    : QObject(parent), m_browser(browser), m_view(view)
{
    connect(&m_browser, &Browser::documentComplete, this, [this] { m_navigating = false; });
}

QString SiteLogin::trimmedAddress() const
{
    const QString address = m_view.loginAddress().trimmed();
    // Only a web page is opened: an address from a list file could name a local file or a script.
    if (address.isEmpty() || !IsWebAddress(QUrl::fromUserInput(address)))
        return {};
    return address;
}

bool SiteLogin::loginDataPresent(bool showMessages)
{
    const auto self = lifetimeGuard(this);
    QString refusal;
    if (trimmedAddress().isEmpty())
        refusal = DownloadTexts::kLoginAddressMissing;
    else if (m_view.accountLogin() && (m_view.account().trimmed().isEmpty() || m_view.password().trimmed().isEmpty()))
        refusal = DownloadTexts::kLoginAccountMissing;
    if (refusal.isEmpty())
        return true;
    if (showMessages)
        Prompt::current().message(refusal, Prompt::Icon::Critical);
    if (self)
        m_view.uncheckAutoLogin();
    return false;
}

bool SiteLogin::checkAutoLogin()
{
    return loginDataPresent(true);
}

QCoro::Task<> SiteLogin::waitForPage()
{
    const auto self = lifetimeGuard(this);
    const qint64 start = Clock::monotonicMs();
    while (m_browser.isBusy() || m_navigating) {
        const qint64 left = start + kPageLimit.count() - Clock::monotonicMs();
        if (left <= 0)
            co_return;
        co_await waitForSignal(&m_browser, &Browser::documentComplete, std::chrono::milliseconds(left));
        if (!self)
            co_return;
    }
}

QCoro::Task<> SiteLogin::browse()
{
    const auto self = lifetimeGuard(this);
    const QString address = trimmedAddress();
    if (address.isEmpty())
        co_return;
    m_view.setBrowseEnabled(false);
    m_navigating = true;
    m_browser.navigate(address);
    co_await waitForPage();
    if (!self)
        co_return;
    m_view.setBrowseEnabled(true);
}

QCoro::Task<> SiteLogin::clickAndWait(ElementRef element)
{
    const auto self = lifetimeGuard(this);
    m_navigating = true;
    const bool clicked = co_await m_browser.click(element);
    if (!self)
        co_return;
    if (!clicked) {
        // The element went away with the page: nothing was pressed, nothing to wait for.
        m_navigating = false;
        co_return;
    }
    Q_EMIT formSubmitted();
    co_await waitForPage();
}

QCoro::Task<> SiteLogin::login(bool showMessages)
{
    const auto self = lifetimeGuard(this);
    if (!loginDataPresent(showMessages) || !self)
        co_return;
    if (!m_view.loginEnabled())
        co_return;
    m_view.setLoginEnabled(false);
    co_await browse();
    if (!self)
        co_return;

    // The fields are read now, after the page loaded: what the user typed meanwhile counts.
    if (m_view.accountLogin()) {
        const QList<PageInput> inputs = co_await m_browser.inputs();
        if (!self)
            co_return;
        const LoginFormPlan plan = PlanAccountLogin(inputs, m_view.account().trimmed(), m_view.password().trimmed());
        for (const auto &[index, value] : plan.values) {
            co_await m_browser.setValue(ElementRef::byTag(kInputTag, index), value);
            if (!self)
                co_return;
        }
        if (plan.submit >= 0)
            co_await clickAndWait(ElementRef::byTag(kInputTag, plan.submit));
    } else {
        const ElementRef button = ElementRef::byId(kIpLoginButton);
        const bool present = co_await m_browser.hasElement(button);
        if (!self)
            co_return;
        if (present)
            co_await clickAndWait(button);
    }
    if (!self)
        co_return;

    co_await ClockSleep(kSettle);
    if (!self)
        co_return;
    m_view.setLoginEnabled(true);
    Q_EMIT loginFinished();
}
