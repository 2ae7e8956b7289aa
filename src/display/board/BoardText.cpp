#include "display/board/BoardText.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <cmath>

namespace tesk {

QFont BoardFont(const QString& face, int pointSize)
{
    QFont font(face);
    font.setPointSize(pointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferDefaultHinting);
    return font;
}

QFont BoardFont(const QString& face, int pointSize, qreal ratio)
{
    QFont font = BoardFont(face, pointSize);
    if (ratio != 1.0)
        font.setPointSizeF(pointSize * ratio);
    return font;
}

const QPaintDevice* BoardMeasureDevice()
{
    static const QImage device(1, 1, QImage::Format_RGB32);
    return &device;
}

QSize TextExtent(const QFont& font, const QString& text)
{
    const QFontMetrics fm(font, BoardMeasureDevice());
    return QSize(fm.horizontalAdvance(text), fm.height());
}

void TextOutTopLeft(QPainter& painter, int x, int y, const QString& text)
{
    // QPainter places text by its baseline; the platform by the cell's top.
    painter.drawText(QPoint(x, y + painter.fontMetrics().ascent()), text);
}

void TextOutRotated(QPainter& painter, int angle, int x, int y, const QString& text)
{
    // Escapement turns counter-clockwise; QPainter turns clockwise on screen.
    double turn = std::fmod(-double(angle), 360.0);
    if (turn < 0)
        turn += 360.0;
    painter.save();
    painter.translate(x, y);
    painter.rotate(turn);
    painter.drawText(QPoint(0, painter.fontMetrics().ascent()), text);
    painter.restore();
}

} // namespace tesk
