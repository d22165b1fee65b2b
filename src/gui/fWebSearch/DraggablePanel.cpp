#include "gui/fWebSearch/DraggablePanel.h"

#include <QMouseEvent>

DraggablePanel::DraggablePanel(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
}

void DraggablePanel::mousePressEvent(QMouseEvent *event)
{
    m_grab = event->position().toPoint();
}

void DraggablePanel::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::NoButton)
        move(pos() + event->position().toPoint() - m_grab);
}
