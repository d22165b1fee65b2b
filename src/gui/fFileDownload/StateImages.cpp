#include "gui/fFileDownload/StateImages.h"

#include "core/download/DownloadListModel.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
QPixmap drawState(ItemState state, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPen pen(Qt::white, std::max<qreal>(1.5, s / 8.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (state) {
    case ItemState::Waiting: { // grey clock
        p.setPen(QPen(QColor(110, 110, 110), std::max<qreal>(1.0, s / 10.0)));
        p.setBrush(QColor(235, 235, 235));
        p.drawEllipse(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8));
        p.drawLine(QPointF(s / 2, s / 2), QPointF(s / 2, s * 0.25));
        p.drawLine(QPointF(s / 2, s / 2), QPointF(s * 0.7, s / 2));
        break;
    }
    case ItemState::Downloading: { // blue disc with a down arrow
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 110, 210));
        p.drawEllipse(QRectF(s * 0.05, s * 0.05, s * 0.9, s * 0.9));
        p.setPen(pen);
        p.drawLine(QPointF(s / 2, s * 0.25), QPointF(s / 2, s * 0.72));
        p.drawLine(QPointF(s * 0.3, s * 0.52), QPointF(s / 2, s * 0.72));
        p.drawLine(QPointF(s * 0.7, s * 0.52), QPointF(s / 2, s * 0.72));
        break;
    }
    case ItemState::Done: { // green disc with a tick
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 160, 70));
        p.drawEllipse(QRectF(s * 0.05, s * 0.05, s * 0.9, s * 0.9));
        p.setPen(pen);
        QPainterPath tick;
        tick.moveTo(s * 0.27, s * 0.52);
        tick.lineTo(s * 0.44, s * 0.68);
        tick.lineTo(s * 0.74, s * 0.34);
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
        break;
    }
    case ItemState::Failed: { // red disc with a cross
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 40, 40));
        p.drawEllipse(QRectF(s * 0.05, s * 0.05, s * 0.9, s * 0.9));
        p.setPen(pen);
        p.drawLine(QPointF(s * 0.32, s * 0.32), QPointF(s * 0.68, s * 0.68));
        p.drawLine(QPointF(s * 0.68, s * 0.32), QPointF(s * 0.32, s * 0.68));
        break;
    }
    }
    return pixmap;
}
} // namespace

QIcon StateImage(ItemState state)
{
    QIcon icon;
    for (int size : {16, 24, 32})
        icon.addPixmap(drawState(state, size));
    return icon;
}

StateImageDelegate::StateImageDelegate(QObject *parent) : QStyledItemDelegate(parent)
{
    for (int value = 1; value <= 4; ++value)
        m_images[static_cast<std::size_t>(value - 1)] = StateImage(static_cast<ItemState>(value));
}

void StateImageDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() != DownloadListModel::NameColumn)
        return;
    const int value = index.data(DownloadListModel::StateRole).toInt();
    if (value < 1 || value > 4)
        return;
    option->icon = m_images[static_cast<std::size_t>(value - 1)];
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->decorationSize = QSize(16, 16);
}
