#include "gui/shell/FlowLayout.h"

#include <QWidget>
#include <QWidgetItem>

FlowLayout::FlowLayout(QWidget *parent, int spacing) : QLayout(parent), m_spacing(spacing) {}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem *item)
{
    m_items.append(item);
    m_pushedRight.append(false);
}

void FlowLayout::addWidgetPushedRight(QWidget *widget)
{
    addWidget(widget);
    m_pushedRight.last() = true;
}

QLayoutItem *FlowLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

QLayoutItem *FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    m_pushedRight.removeAt(index);
    return m_items.takeAt(index);
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::sizeHint() const
{
    // All on one line.
    int width = 0;
    int height = 0;
    for (QLayoutItem *item : m_items) {
        if (item->isEmpty())
            continue;
        width += item->sizeHint().width() + (width > 0 ? m_spacing : 0);
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins m = contentsMargins();
    return {width + m.left() + m.right(), height + m.top() + m.bottom()};
}

QSize FlowLayout::minimumSize() const
{
    // One item to a line at worst: as wide as the widest item.
    QSize size;
    for (QLayoutItem *item : m_items)
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize()).expandedTo(QSize(item->sizeHint().width(), 0));
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

void FlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect &rect, bool apply) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    int y = area.y();
    qsizetype first = 0;
    const qsizetype n = m_items.size();
    while (first < n) {
        // Take items while they fit; at least one.
        int lineWidth = 0;
        int lineHeight = 0;
        qsizetype end = first;
        for (; end < n; ++end) {
            QLayoutItem *item = m_items.at(end);
            if (item->isEmpty())
                continue;
            const int w = std::min(item->sizeHint().width(), area.width());
            const int needed = lineWidth + (lineWidth > 0 ? m_spacing : 0) + w;
            if (lineWidth > 0 && needed > area.width())
                break;
            lineWidth = needed;
            lineHeight = std::max(lineHeight, item->sizeHint().height());
        }
        if (apply) {
            // The items pushed right and those after them on the line share the line's free room on their left.
            const int room = std::max(0, area.width() - lineWidth);
            int x = area.x();
            bool pushed = false;
            for (qsizetype i = first; i < end; ++i) {
                QLayoutItem *item = m_items.at(i);
                if (item->isEmpty())
                    continue;
                if (m_pushedRight.at(i) && !pushed) {
                    pushed = true;
                    x += room;
                }
                const QSize hint = item->sizeHint();
                const int w = std::min(hint.width(), area.width());
                item->setGeometry(QRect(x, y + (lineHeight - hint.height()) / 2, w, hint.height()));
                x += w + m_spacing;
            }
        }
        y += lineHeight + m_spacing;
        first = end;
    }
    if (y > area.y())
        y -= m_spacing;
    const QMargins m = contentsMargins();
    return y - area.y() + m.top() + m.bottom();
}
