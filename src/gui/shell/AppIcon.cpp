#include "gui/shell/AppIcon.h"

#include <QPainter>
#include <QPixmap>

QIcon AppIcon()
{
    // Drawn each time: a cached QIcon would outlive the application object at exit.
    const QIcon icon = [] {
        QIcon result;
        for (int size : {16, 32, 48, 64}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing);
            // A blue page with a folded corner and three text lines: a document being fetched.
            const qreal m = size / 8.0;
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(30, 90, 170));
            p.drawRoundedRect(QRectF(m, 0.5, size - 2 * m, size - 1), m, m);
            p.setBrush(Qt::white);
            const qreal lineH = std::max<qreal>(1, size / 12.0);
            for (int i = 0; i < 3; ++i)
                p.drawRect(QRectF(2 * m, size * (0.3 + 0.2 * i), size - 4 * m, lineH));
            result.addPixmap(pixmap);
        }
        return result;
    }();
    return icon;
}
