#include "cli/BatchPrompt.h"

#include "cli/BatchProgress.h"

void BatchPrompt::message(const QString &text, Icon, const QString &)
{
    m_progress.error(text);
}

bool BatchPrompt::ask(const QString &text, const QString &)
{
    m_progress.error(text + QStringLiteral(" (answered no)"));
    return false;
}

std::optional<QString> BatchPrompt::input(const QString &text, const QString &, const QString &)
{
    m_progress.error(text + QStringLiteral(" (cancelled)"));
    return std::nullopt;
}
