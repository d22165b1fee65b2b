#include "gui/shell/MessageBoxPrompt.h"

#include "core/store/Settings.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {
QString captionOr(const QString &title)
{
    return title.isEmpty() ? ApplicationTitle() : title;
}

QMessageBox::Icon boxIcon(Prompt::Icon icon)
{
    switch (icon) {
    case Prompt::Icon::Critical:
        return QMessageBox::Critical;
    case Prompt::Icon::Question:
        return QMessageBox::Question;
    case Prompt::Icon::Warning:
        return QMessageBox::Warning;
    case Prompt::Icon::Information:
        break;
    }
    return QMessageBox::Information;
}
} // namespace

QWidget *MessageBoxPrompt::owner()
{
    return QApplication::activeWindow();
}

void MessageBoxPrompt::message(const QString &text, Icon icon, const QString &title)
{
    QMessageBox box(boxIcon(icon), captionOr(title), text, QMessageBox::Ok, owner());
    box.exec();
}

bool MessageBoxPrompt::ask(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Question, captionOr(title), text, QMessageBox::Yes | QMessageBox::No, owner());
    // Every question the program asks is about destroying something (emptying a list, closing during
    // downloads): a stray Enter must keep it.
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> MessageBoxPrompt::input(const QString &text, const QString &title, const QString &defaultText)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(owner(), captionOr(title), text, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}
