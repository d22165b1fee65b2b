#pragma once

#include "core/util/Prompt.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <optional>

// A fresh data folder for one test: sets PAPERHARVEST_HOME for its lifetime, restores the old value after.
class TestHome final
{
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome &) = delete;
    TestHome &operator=(const TestHome &) = delete;

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious = false;
};

// Records every message, question and input box; answers from queues the test fills (default: no / cancel).
class RecordingPrompt final : public Prompt
{
public:
    struct Entry {
        QString text;
        Icon icon;
        QString title;
    };

    RecordingPrompt() { Prompt::install(this); }
    ~RecordingPrompt() override { Prompt::install(nullptr); }

    void message(const QString &text, Icon icon, const QString &title) override;
    bool ask(const QString &text, const QString &title) override;
    std::optional<QString> input(const QString &text, const QString &title, const QString &defaultText) override;

    QList<Entry> entries;
    QList<bool> answers;                  // consumed by ask(), front first
    QList<std::optional<QString>> inputs; // consumed by input(), front first

    QStringList texts() const;
};
