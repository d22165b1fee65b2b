#pragma once

#include "core/util/Prompt.h"

class BatchProgress;

// Messages of the core become progress lines; nobody is there to answer, so questions are answered no and input
// boxes cancelled.
class BatchPrompt final : public Prompt
{
public:
    explicit BatchPrompt(BatchProgress &progress) : m_progress(progress) {}

    void message(const QString &text, Icon icon, const QString &title) override;
    bool ask(const QString &text, const QString &title) override;
    std::optional<QString> input(const QString &text, const QString &title, const QString &defaultText) override;

private:
    BatchProgress &m_progress;
};
