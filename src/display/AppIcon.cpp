#include "display/AppIcon.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace tesk {

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 90, 170));
        p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
        p.setBrush(QColor(230, 40, 40));
        const qreal r = size * 0.18;
        p.drawEllipse(QPointF(size - r - size * 0.08, r + size * 0.08), r, r);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setBold(true);
        f.setPixelSize(int(size * 0.72));
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, size * 0.08, size, size), Qt::AlignCenter, QStringLiteral("T"));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace tesk
