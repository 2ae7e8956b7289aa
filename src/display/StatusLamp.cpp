#include "display/StatusLamp.h"

#include <QPainter>

namespace tesk {

StatusLamp::StatusLamp(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(25, 25);
}

void StatusLamp::setColor(TColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void StatusLamp::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(ToQColor(m_color));
    p.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
}

} // namespace tesk
