#pragma once

#include <QFont>
#include <QSize>
#include <QString>

class QPainter;
class QPaintDevice;

namespace tesk {

// Every board text: the face at a size in points, regular style, drawn
// without antialiasing (so a glyph pixel is either the text colour or
// untouched, like the platform's text output).
QFont BoardFont(const QString& face, int pointSize);
// The same font for a board shown at `ratio` device pixels per board pixel,
// to be drawn without any scaling: its glyphs are `ratio` times as large.
QFont BoardFont(const QString& face, int pointSize, qreal ratio);

// The device whose resolution every board measurement uses: 96 dots per
// inch, the same as the board's images.
const QPaintDevice* BoardMeasureDevice();

// Width (advance) and height (line height) of a text in a font, at the
// board's resolution.
QSize TextExtent(const QFont& font, const QString& text);

// Draws a text with the top-left corner of its cell at (x, y) in the
// painter's current font and pen; no background.
void TextOutTopLeft(QPainter& painter, int x, int y, const QString& text);

// Draws a text turned by angle degrees counter-clockwise around the top-left
// corner of its cell at (x, y); 270 reads from top to bottom.
void TextOutRotated(QPainter& painter, int angle, int x, int y, const QString& text);

} // namespace tesk
