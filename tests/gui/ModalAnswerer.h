#pragma once

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

// Answers modal dialogs in a GUI test: whenever a modal window named `dialog` is up, clicks its button named
// `button`. (Only tests look around like this; the program itself never polls.)
class ModalAnswerer final : public QObject
{
public:
    ModalAnswerer(QString dialog, QString button) : m_dialog(std::move(dialog)), m_button(std::move(button))
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || modal->objectName() != m_dialog)
                return;
            if (auto *b = modal->findChild<QPushButton *>(m_button)) {
                ++answered;
                b->click();
            }
        });
        m_timer.start();
    }

    int answered = 0;

private:
    QString m_dialog;
    QString m_button;
    QTimer m_timer;
};
