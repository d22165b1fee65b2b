#pragma once

#include "core/util/Prompt.h"

class QWidget;

// The desktop's prompt: modal message boxes with the information, error, question or warning icon, yes/no
// questions and input boxes. Owned by main(); install it with Prompt::install().
class MessageBoxPrompt final : public Prompt
{
public:
    void message(const QString &text, Icon icon = Icon::Information, const QString &title = {}) override;
    bool ask(const QString &text, const QString &title = {}) override;
    std::optional<QString> input(const QString &text, const QString &title = {},
                                 const QString &defaultText = {}) override;

private:
    // The active window, so the box is centred on it and blocks it.
    static QWidget *owner();
};
