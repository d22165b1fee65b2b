#pragma once

#include "core/download/login/SiteLogin.h"

#include <QWidget>
#include <chrono>

class Browser;
class ClockTimer;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWebEngineView;
class WebEngineBrowser;

// PicWebBK: the download window's login panel, laid over the download list when shown. An embedded browser (Web1)
// for the site's login page, the address, account and password fields, and the controls that log in now, log in
// automatically after a downloaded web page, and reload the page every minute so the site keeps the session.
// The fields start empty with every window and are never stored.
class LoginPanel final : public QWidget, private LoginPanelView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LoginPanel)
public:
    // Timer2's interval: the automatic refresh.
    static constexpr std::chrono::milliseconds kRefreshInterval{60000};

    explicit LoginPanel(QWidget *parent = nullptr);
    ~LoginPanel() override;

    Browser &browser() const;
    SiteLogin &siteLogin() const { return *m_login; }

    // Command1 "网页登录": the panel in front of the list; unless a refresh or an automatic login keeps a page
    // of its own, the browser opens `selectedAddress` (the selected row's address; empty when none).
    void showPanel(const QString &selectedAddress);
    // Command3: the panel hidden; without the automatic refresh the browser goes blank.
    void hidePanel();

    // Check2.
    bool autoLoginChecked() const;
    // The site login without messages (the engines after a downloaded web page).
    void runAutoLogin();

Q_SIGNALS:
    // Check2 changed (after the check of the login data, so the final state).
    void autoLoginChanged(bool checked);
    // The title of a loaded page other than about:blank, for the window's status bar.
    void pageTitleChanged(const QString &title);

private:
    // LoginPanelView
    QString loginAddress() const override;
    QString account() const override;
    QString password() const override;
    bool accountLogin() const override;
    void uncheckAutoLogin() override;
    bool loginEnabled() const override;
    void setLoginEnabled(bool enabled) override;
    void setBrowseEnabled(bool enabled) override;

    void buildControls();
    void bindControls();

    WebEngineBrowser *m_browser = nullptr;
    SiteLogin *m_login = nullptr;
    ClockTimer *m_timer2 = nullptr;

    QLineEdit *m_text1 = nullptr;
    QRadioButton *m_option4 = nullptr;
    QLineEdit *m_text2 = nullptr;
    QLineEdit *m_text3 = nullptr;
    QRadioButton *m_option5 = nullptr;
    QComboBox *m_combo3 = nullptr;
    QCheckBox *m_check2 = nullptr;
    QCheckBox *m_check1 = nullptr;
    QPushButton *m_command2 = nullptr;
    QPushButton *m_command5 = nullptr;
    QPushButton *m_command3 = nullptr;
    QWebEngineView *m_web1 = nullptr;
};
