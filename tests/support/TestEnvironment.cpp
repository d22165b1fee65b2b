#include "support/TestEnvironment.h"

TestHome::TestHome()
{
    m_hadPrevious = qEnvironmentVariableIsSet("PAPERHARVEST_HOME");
    m_previous = qgetenv("PAPERHARVEST_HOME");
    qputenv("PAPERHARVEST_HOME", m_dir.path().toUtf8());
}

TestHome::~TestHome()
{
    if (m_hadPrevious)
        qputenv("PAPERHARVEST_HOME", m_previous);
    else
        qunsetenv("PAPERHARVEST_HOME");
}

void RecordingPrompt::message(const QString &text, Icon icon, const QString &title)
{
    entries.append({text, icon, title});
}

bool RecordingPrompt::ask(const QString &text, const QString &title)
{
    entries.append({text, Icon::Question, title});
    return answers.isEmpty() ? false : answers.takeFirst();
}

std::optional<QString> RecordingPrompt::input(const QString &text, const QString &title, const QString &)
{
    entries.append({text, Icon::Question, title});
    return inputs.isEmpty() ? std::nullopt : inputs.takeFirst();
}

QStringList RecordingPrompt::texts() const
{
    QStringList out;
    for (const auto &e : entries)
        out << e.text;
    return out;
}
