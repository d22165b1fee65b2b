#pragma once

#include <QPointer>
#include <QWidget>

#include "gui/fWebSearch/fWebSearch.h"

class QLabel;
class QPushButton;
class ClockTimer;
class UpdateCheck;

// The start-up window: loads what the whole run needs (the visited-address database, the system description,
// the download size limit), then offers the main window and the exit. Closing it ends the program.
class fCover final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(fCover)
public:
    explicit fCover(QWidget *parent = nullptr);
    ~fCover() override;

    // The cover of this run (nullptr before it exists or after it closed).
    static fCover *instance();

    // The one-shot update-check timer; the about box starts it again when it closes.
    ClockTimer *updateTimer() const { return m_timer1; }
    // The update check the timer starts; every check of the run goes through it.
    UpdateCheck *updateCheck() const { return m_update; }
    // The main window when it is open.
    fWebSearch *mainWindow() const { return m_main; }

    // "文档检索下载": hides the cover and shows the main window, creating it on first use.
    void openMainWindow();

Q_SIGNALS:
    // The start-up sequence finished.
    void loaded();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void load();
    // A settings file that does not parse cleanly is named with its lines at fault: nothing is saved to it.
    void reportSettingsFile();
    void Timer1_Timer();
    // The server named a version above the program's own: the notice, the product page and the message.
    void announceNewerVersion(const QString &version);

    QLabel *m_title = nullptr;
    QLabel *m_version = nullptr;
    QLabel *m_loading = nullptr;
    QLabel *m_notice = nullptr;
    QLabel *m_label2 = nullptr;
    QPushButton *m_search = nullptr;
    QPushButton *m_exit = nullptr;
    ClockTimer *m_timer1 = nullptr;
    UpdateCheck *m_update = nullptr;
    QPointer<fWebSearch> m_main;
};

// Shows the start-up window again (after the last of the main and download windows closed).
void ShowStartWindow();
