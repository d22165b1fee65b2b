#include "gui/shell/MessageBoxPrompt.h"

#include "core/store/Settings.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace {
constexpr int kInputBoxWidth = 560;

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
    QInputDialog dialog(owner());
    dialog.setWindowTitle(captionOr(title));
    dialog.setLabelText(text);
    dialog.setTextValue(defaultText);
    // What is asked for is mostly an address or a file name: the box shows a long one whole, not Qt's 180 pixels.
    // (The dialog takes its size from its layout, so the box itself is widened.)
    if (auto *box = dialog.findChild<QLineEdit *>())
        box->setMinimumWidth(kInputBoxWidth);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}
