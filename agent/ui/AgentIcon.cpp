#include "agent/ui/AgentIcon.h"

#include <QPainter>
#include <QPixmap>

namespace ovix::agent {

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1e, 0x6f, 0xb8));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(0, 0, size, size), size / 5.0, size / 5.0);
    // Two arrows: datagrams going out through the tunnel and coming back.
    painter.setPen(QPen(Qt::white, size / 10.0, Qt::SolidLine, Qt::RoundCap));
    const double m = size * 0.22;
    painter.drawLine(QPointF(m, size * 0.38), QPointF(size - m, size * 0.38));
    painter.drawLine(QPointF(size - m, size * 0.38), QPointF(size - m * 1.6, size * 0.26));
    painter.drawLine(QPointF(size - m, size * 0.62), QPointF(m, size * 0.62));
    painter.drawLine(QPointF(m, size * 0.62), QPointF(m * 1.6, size * 0.74));
    return pixmap;
}

}  // namespace

QIcon AgentIcon() {
    QIcon icon;
    icon.addPixmap(DrawIcon(16));
    icon.addPixmap(DrawIcon(32));
    return icon;
}

}  // namespace ovix::agent
