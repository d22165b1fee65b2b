#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>

class QCloseEvent;
class QWidget;

// The runs of a window that are still on their way. A stop button clears a run's flag at once, while the run's
// coroutine still waits for a page, a reply or a pause and resumes later; a window destroyed in between would be
// touched by it. So a window counts its runs here and, asked to close while one is still on its way, hides and
// closes again when the last one has ended: no run ever resumes on a window that is gone. Shown again before that,
// the window stays.
class RunsUnderway final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RunsUnderway)
public:
    explicit RunsUnderway(QWidget &window);

    // Counts `task` until it has ended.
    template <typename T> void track(QCoro::Task<T> &&task)
    {
        begin();
        std::move(task).then([self = QPointer<RunsUnderway>(this)] {
            if (self)
                self->end();
        });
    }
    // For runs that say when they start and end by signals rather than by a task of their own.
    void begin();
    void end();

    bool any() const { return m_count > 0; }

    // For the window's closeEvent, once the window agreed to close: true when it may go now; otherwise the event
    // is ignored, the window hidden, and closed again when the last run has ended.
    bool closeNowOrWhenEnded(QCloseEvent *event);

Q_SIGNALS:
    // The last run on its way ended.
    void allEnded();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget &m_window;
    int m_count = 0;
    bool m_closeWhenEnded = false;
};
