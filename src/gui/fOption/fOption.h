#pragma once

#include <QDialog>

class ProxyCheck;
struct ProxyCheckResult;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

// The options dialog: download engine, proxy server for downloads, largest file size, the save-folder question of
// a harvest and the rotation through the proxy-address list. It opens with the values in force; OK checks the
// fields, then writes every choice into the program-wide values and the settings store at once, so the open windows
// and the next transfer use them without a restart. Cancel, Esc and the close box change nothing.
//
// The proxy-address list can be checked against the echo service; while a check runs the dialog cannot be closed
// or confirmed, and the check's own button stops it at once.
class fOption final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fOption)
public:
    explicit fOption(QWidget *parent = nullptr);

    // Shows the dialog modally over `owner` and returns once it is closed; it is destroyed afterwards.
    static void ask(QWidget *owner);
    // Start-up wiring: the download window's 设置 opens this dialog.
    static void installDownloadWindowHook();

    // Cancel, Esc and the close box; refused while a check runs.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void load();
    // False (after saying which field is wrong and putting the cursor there) when a field holds nonsense.
    bool fieldsAreValid();
    void confirm();
    void 去掉Text2里面的重复项();
    // Starts a check of the list, or stops the one running.
    void Command3_Click();
    void onTestingStarted(int lines);
    void onCheckFinished(const ProxyCheckResult &result);
    // False (after saying so) while a check runs.
    bool isIdle();

    QRadioButton *m_option1 = nullptr;
    QRadioButton *m_option2 = nullptr;
    QCheckBox *m_check1 = nullptr;
    QLineEdit *m_text6 = nullptr;
    QLineEdit *m_text8 = nullptr;
    QCheckBox *m_check2 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QButtonGroup *m_option3 = nullptr;
    QPlainTextEdit *m_text2 = nullptr;
    QPushButton *m_command3 = nullptr;
    QComboBox *m_combo1 = nullptr;
    QPlainTextEdit *m_text3 = nullptr;
    QProgressBar *m_progressBar1 = nullptr;
    QLabel *m_label7 = nullptr;
    ProxyCheck *m_check = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;
};
