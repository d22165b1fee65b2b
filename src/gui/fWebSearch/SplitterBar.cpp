#include "gui/fWebSearch/SplitterBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

SplitterBar::SplitterBar(QWidget *parent) : QWidget(parent)
{
    setCursor(Qt::SplitVCursor);
}

void SplitterBar::mousePressEvent(QMouseEvent *event)
{
    raise();
    m_grabY = event->position().toPoint().y();
}

void SplitterBar::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        move(x(), y() + event->position().toPoint().y() - m_grabY);
}

void SplitterBar::mouseReleaseEvent(QMouseEvent *)
{
    Q_EMIT released();
}

void SplitterBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QStyleOption option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    p.fillRect(rect(), palette().window());
    style()->drawControl(QStyle::CE_Splitter, &option, &p, this);
}
