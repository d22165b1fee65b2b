#pragma once

#include <QWidget>

class QPlainTextEdit;

// The usage window: eight numbered instructions in a read-only text box. Modeless; destroyed when closed.
class use final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(use)
public:
    explicit use(QWidget *parent = nullptr);

    static QString instructions();

private:
    QPlainTextEdit *m_text = nullptr;
};
