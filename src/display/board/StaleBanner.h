#pragma once

#include "display/board/FontFitter.h"

#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

namespace tesk {

// The banner that tells a corridor the board may be out of date: a band
// across the top of the board, over whatever the board shows, in signal
// yellow with black text and a black edge, so that it stands out on every
// box colour and every picture. Its lines ("\r" breaks them) are each
// fitted to their share of the band, as large as they go.
class StaleBanner {
public:
    void setText(const QString& text) { m_text = text; }
    QString text() const { return m_text; }
    bool shown() const { return !m_text.isEmpty(); }

    // The band on a board of that size (logical pixels); empty when not shown.
    QRect rect(QSize board) const;
    // Draws the band in logical pixels of the board.
    void draw(QPainter& painter, QSize board, const QString& face);

    static const QColor& fill();

private:
    QString m_text;
    FontFitter m_fitter;
};

} // namespace tesk
