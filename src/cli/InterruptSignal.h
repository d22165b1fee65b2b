#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the main thread (through a pipe the handler writes to), so a
// batch interrupted with Ctrl-C, killed politely or left behind by a closed terminal or SSH session stops its
// transfers cleanly instead of dying with partial files on disk. A second interrupt ends the process at once.
class InterruptSignal final : public QObject
{
    Q_OBJECT
public:
    explicit InterruptSignal(QObject *parent = nullptr);
    ~InterruptSignal() override;

Q_SIGNALS:
    void interrupted();

private:
    QSocketNotifier *m_notifier = nullptr;
};
