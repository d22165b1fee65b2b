#pragma once

#include <QObject>

class QSocketNotifier;

// Tells when the terminal changed its size (SIGWINCH), from the event loop, so that the bar can be laid out anew
// at once rather than at its next update.
class TerminalResize final : public QObject
{
    Q_OBJECT
public:
    explicit TerminalResize(QObject *parent = nullptr);
    ~TerminalResize() override;

Q_SIGNALS:
    void resized();

private:
    QSocketNotifier *m_notifier = nullptr;
};
