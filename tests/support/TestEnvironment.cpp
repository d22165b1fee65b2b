#include "support/TestEnvironment.h"

namespace {
// Every data folder of one test program lies in a folder of its own that goes when the program ends. A browser
// profile made for a data folder lives until the application object goes, and may still write into its folder
// after the test removed it; by the time this folder is removed, no profile is left.
QString testHomesRoot()
{
    static QTemporaryDir root;
    return root.path();
}
} // namespace

TestHome::TestHome() : m_dir(testHomesRoot() + QStringLiteral("/home-XXXXXX"))
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
