#include "core/util/Prompt.h"

#include <QTextStream>

namespace {
class StderrPrompt final : public Prompt
{
public:
    void message(const QString &text, Icon, const QString &title) override
    {
        QTextStream err(stderr);
        err << (title.isEmpty() ? QString() : title + QStringLiteral(": ")) << text << Qt::endl;
    }
    bool ask(const QString &text, const QString &title) override
    {
        message(text, Icon::Question, title);
        return false;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return std::nullopt; }
};

StderrPrompt g_stderrPrompt;
Prompt *g_current = nullptr;
} // namespace

Prompt &Prompt::current()
{
    return g_current ? *g_current : g_stderrPrompt;
}

void Prompt::install(Prompt *prompt)
{
    g_current = prompt;
}
