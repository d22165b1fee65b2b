#pragma once

#include <QDialog>
#include <functional>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The about box: the program's name and version, whether the update checks of this run found a newer version,
// the maker's credit and contact lines (links open the maker's pages), and the system description to copy.
class frmAbout final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)
public:
    explicit frmAbout(QWidget *parent = nullptr);
    ~frmAbout() override;

    // 模拟网址下划线: underlines the link label the mouse is over with `Line2`.
    void 模拟网址下划线(QLabel *label);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QLabel *linkLabel(const char *name, const QString &text, const QString &tip, std::function<void()> onClick);

    QFrame *m_line2 = nullptr;
    QPlainTextEdit *m_text1 = nullptr;
    QList<QPair<QLabel *, std::function<void()>>> m_links;
};

// Shows the about box modally over `owner`; once it is closed, the cover's update timer runs the next check.
void ShowAboutBox(QWidget *owner);
