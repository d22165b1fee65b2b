#pragma once

#include <QCoroTask>
#include <QDialog>
#include <QStringList>

class CopyRun;
class QButtonGroup;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

// The copy tool: copies the files its opener put into its file list into one folder the user chooses, deciding
// each name clash by one of five rules. A run shows the file being copied and its progress and can be stopped
// between files. The window has no way to add files itself.
class Form_Copy_Move final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form_Copy_Move)
public:
    explicit Form_Copy_Move(QWidget *parent = nullptr);

    // The files to copy, in the order they are copied; empty at every opening.
    QStringList &fileList() { return m_fileList; }

    // Opens the window modally over `parent` to copy `paths`; returns when the user closed it.
    static void copyFiles(const QStringList &paths, QWidget *parent);

    // Starts a run into the folder in the box, or, while one is running, stops it. With `showMessage` the end of
    // the run is announced.
    QCoro::Task<> 执行(bool showMessage);

    const CopyRun &run() const { return *m_run; }

    // Closing gives up a run in progress, the file being copied included.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void browse();
    // The folder history as the box lists it.
    QStringList historyEntries() const;

    QStringList m_fileList;
    CopyRun *m_run = nullptr;
    bool m_closing = false;

    QComboBox *m_combo1 = nullptr;
    QPushButton *m_command3 = nullptr;
    QButtonGroup *m_option1 = nullptr;
    QLabel *m_label3 = nullptr;
    QProgressBar *m_progressBar1 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;
};
