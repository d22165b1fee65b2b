#pragma once

#include "core/net/Browser.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <chrono>

// What the site login reads and sets on the login panel.
class LoginPanelView
{
public:
    virtual ~LoginPanelView() = default;

    // Text1, Text2, Text3 as typed (the login trims them).
    virtual QString loginAddress() const = 0;
    virtual QString account() const = 0;
    virtual QString password() const = 0;
    // Option4 (account login) selected; otherwise Option5 (IP login).
    virtual bool accountLogin() const = 0;
    // Check2 unchecked: automatic login stops until the user checks it again.
    virtual void uncheckAutoLogin() = 0;
    // Command5: disabled while a login runs, the guard against a second one.
    virtual bool loginEnabled() const = 0;
    virtual void setLoginEnabled(bool enabled) = 0;
    // Command2: disabled while the login page loads.
    virtual void setBrowseEnabled(bool enabled) = 0;
};

// The login panel's runs in its browser: opening the login page, and logging in by filling and submitting the
// site's form (account login) or pressing its "submitip" button (IP login). Waits are on the program's clock and
// let everything else run meanwhile: downloads, timers and the user's input go on during a login.
class SiteLogin final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SiteLogin)
public:
    // The longest wait for a page to load, after opening it and after submitting the form.
    static constexpr std::chrono::milliseconds kPageLimit{10000};
    // The wait at the end of a login, for what the site does after the form (further redirects, scripts).
    static constexpr std::chrono::milliseconds kSettle{5000};

    SiteLogin(Browser &browser, LoginPanelView &view, QObject *parent = nullptr);

    // Browse: opens the login address and waits until the page has loaded or kPageLimit has passed. Nothing
    // happens when the address is empty or not a web address.
    QCoro::Task<> browse();
    // Site login; `showMessages` false for the automatic one after a downloaded web page.
    QCoro::Task<> login(bool showMessages);
    // Check2 became checked: true when the address (and for account login the account and password) are set;
    // otherwise the message is shown, Check2 unchecked and false returned.
    bool checkAutoLogin();

    // Set before the panel starts a navigation or presses a page button; cleared when the top-level document
    // has finished loading.
    bool navigating() const { return m_navigating; }

Q_SIGNALS:
    // A login run went through (it was not refused by a missing field or a run already going on).
    void loginFinished();
    // The login pressed the site's button (the account form's submit or the IP login's "submitip").
    void formSubmitted();

private:
    // The refusals shared by the login and the automatic-login check: false when the data is missing, after the
    // message (when asked for) and Check2 unchecked.
    bool loginDataPresent(bool showMessages);
    QString trimmedAddress() const;
    QCoro::Task<> waitForPage();
    QCoro::Task<> clickAndWait(ElementRef element);

    Browser &m_browser;
    LoginPanelView &m_view;
    bool m_navigating = false;
};
