#pragma once

#include <QDialog>

struct SaveTarget;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

// The save-target dialog: asks for the folder harvested documents are saved to and how their files are named.
// Modal and on top of other windows; "确定" creates the folder chain, stores it and adds it to the folder history.
class Form_BaoCun final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form_BaoCun)
public:
    explicit Form_BaoCun(SaveTarget &target, QWidget *parent = nullptr);

    // Shows the dialog modally over `parent` and returns once it was answered; it is destroyed afterwards.
    static void ask(SaveTarget &target, QWidget *parent);

private:
    void browse();
    void clearHistory();
    void confirm();
    void cancel();

    SaveTarget &m_target;
    QLabel *m_label1 = nullptr;
    QComboBox *m_combo1 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command4 = nullptr;
    QLabel *m_label3 = nullptr;
    QRadioButton *m_option1 = nullptr;
    QRadioButton *m_option2 = nullptr;
    QPushButton *m_command2 = nullptr;
    QPushButton *m_command3 = nullptr;
};
