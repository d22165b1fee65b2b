#include "gui/shell/RunsUnderway.h"

#include <QCloseEvent>
#include <QWidget>

RunsUnderway::RunsUnderway(QWidget &window) : QObject(&window), m_window(window)
{
    m_window.installEventFilter(this);
}

void RunsUnderway::begin()
{
    ++m_count;
}

void RunsUnderway::end()
{
    if (m_count == 0 || --m_count > 0)
        return;
    Q_EMIT allEnded();
    if (m_closeWhenEnded) {
        m_closeWhenEnded = false;
        // The run's coroutine is still finishing its last step: the window goes from the event loop, after it.
        QMetaObject::invokeMethod(&m_window, &QWidget::close, Qt::QueuedConnection);
    }
}

bool RunsUnderway::closeNowOrWhenEnded(QCloseEvent *event)
{
    if (m_count == 0) {
        m_closeWhenEnded = false;
        return true;
    }
    m_closeWhenEnded = true;
    m_window.hide();
    event->ignore();
    return false;
}

bool RunsUnderway::eventFilter(QObject *watched, QEvent *event)
{
    // Opened again while it waited to close: the user wants the window after all.
    if (watched == &m_window && event->type() == QEvent::Show)
        m_closeWhenEnded = false;
    return QObject::eventFilter(watched, event);
}
