#pragma once

#include <QString>
#include <optional>

// The program's modal messages, questions and input boxes. Core code talks only to this interface; the windows
// install a message-box implementation, the batch mode one that writes to stderr, and tests one that records.
class Prompt
{
public:
    enum class Icon { Information, Critical, Question, Warning };

    virtual ~Prompt() = default;

    virtual void message(const QString &text, Icon icon = Icon::Information, const QString &title = {}) = 0;
    // A yes/no question; true means yes.
    virtual bool ask(const QString &text, const QString &title = {}) = 0;
    // An input box; nullopt when the user cancels.
    virtual std::optional<QString> input(const QString &text, const QString &title = {},
                                         const QString &defaultText = {}) = 0;

    // The prompt every caller uses. Never null: without an installed one, messages go to stderr,
    // questions are answered no and input boxes are cancelled.
    static Prompt &current();
    // Installs `prompt` (not owned; nullptr restores the stderr prompt).
    static void install(Prompt *prompt);
};
