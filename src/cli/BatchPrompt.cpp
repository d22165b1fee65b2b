#include "cli/BatchPrompt.h"

#include "cli/BatchProgress.h"

void BatchPrompt::message(const QString &text, Icon, const QString &)
{
    m_progress.line(text);
}

bool BatchPrompt::ask(const QString &text, const QString &)
{
    m_progress.line(text + QStringLiteral(" (answered no)"));
    return false;
}

std::optional<QString> BatchPrompt::input(const QString &text, const QString &, const QString &)
{
    m_progress.line(text + QStringLiteral(" (cancelled)"));
    return std::nullopt;
}
