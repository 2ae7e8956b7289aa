#include "display/board/StaleBanner.h"

#include "display/board/BoardText.h"

#include <QPainter>

#include <algorithm>

namespace tesk {

namespace {
constexpr int kStartSize = 10;
constexpr int kEdge = 4;    // black edge under the band
constexpr int kMargin = 12; // text kept off the band's ends
} // namespace

const QColor& StaleBanner::fill()
{
    static const QColor yellow(255, 214, 0);
    return yellow;
}

QRect StaleBanner::rect(QSize board) const
{
    if (!shown() || board.isEmpty())
        return {};
    const int lines = int(m_text.count(QLatin1Char('\r'))) + 1;
    // A sixth of the board per line reads from across a corridor, and never
    // so little that a small window makes it unreadable up close.
    const int height = std::min(board.height(), std::max(36 * lines, board.height() * lines / 6));
    return QRect(0, 0, board.width(), height);
}

void StaleBanner::draw(QPainter& p, QSize board, const QString& face)
{
    const QRect band = rect(board);
    if (band.isEmpty())
        return;
    p.save();
    p.fillRect(band, fill());
    p.fillRect(QRect(0, band.bottom() - kEdge + 1, band.width(), kEdge), Qt::black);
    const QStringList lines = m_text.split(QLatin1Char('\r'));
    const int lineHeight = (band.height() - kEdge) / int(lines.size());
    const QSize box(std::max(1, band.width() - 2 * kMargin), std::max(1, lineHeight));
    p.setPen(Qt::black);
    for (int i = 0; i < lines.size(); ++i) {
        const int size = m_fitter.fit(face, kStartSize, box, lines[i]);
        const QSize e = m_fitter.extent(face, size, lines[i]);
        p.setFont(BoardFont(face, size));
        TextOutTopLeft(p, band.width() / 2 - e.width() / 2, i * lineHeight + (lineHeight - e.height()) / 2, lines[i]);
    }
    p.restore();
}

} // namespace tesk
