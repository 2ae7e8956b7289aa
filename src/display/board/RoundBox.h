#pragma once

#include "display/board/DeviceScale.h"
#include "protocol/Records.h"

#include <QHash>
#include <QImage>
#include <QRect>

#include <vector>

class QPainter;

namespace tesk {

// A rounded rectangle with a 10 x 10 corner ellipse over rect (right and
// bottom exclusive), filled with `fill` and outlined with a one-pixel `pen`.
// Nothing is drawn for an empty rectangle.
void DrawRoundBox(QPainter& painter, const TViewRect& rect, TColor fill, TColor pen);

// One ring of a shaded box: a rounded rectangle filled and outlined in one
// colour.
struct ShadedRing {
    TViewRect rect;
    TColor colour = 0;
};

// The rings inside a shaded box over rect with base colour `base`: one per
// pixel inwards, stepping the luminance by up to 20 (darker toward the
// middle for light colours, lighter for dark ones), then the saturation by
// up to 20; the last ring fills the middle.
std::vector<ShadedRing> ShadedRings(const TViewRect& rect, TColor base);

// The box drawn with the base colour and the pen, then its rings.
void DrawShadedRoundRect(QPainter& painter, const TViewRect& rect, TColor base, TColor pen);
// The same pixels, with each ring but the last drawn only near its edge
// (the rest of it is covered by the next ring anyway): cheap for large boxes.
void DrawShadedRoundRectBanded(QPainter& painter, const TViewRect& rect, TColor base, TColor pen);

// The box (flat, or shaded with its rings) on a scaled board, drawn in
// device pixels with a painter that maps nothing: the outline and every ring
// one board pixel wide (scale.map of its edges), the corners 10 x 10 board
// pixels. Each step is a filled rounded rectangle, so edges are whole device
// pixels at any ratio. `banded` draws each ring but the last only near its
// edge, as DrawShadedRoundRectBanded does.
void DrawScaledBox(QPainter& painter, const TViewRect& rect, TColor fill, TColor pen, bool shaded,
                   const DeviceScale& scale, bool banded);

// Boxes rendered once per size, colours and effect, then copied. Each size
// is rendered once as a map of which drawing step owns each pixel; a box of
// that size in any colours is that map looked up in a palette, so new colours
// cost no drawing. Gives exactly the pixels of drawing the box in place.
class BoxSprites {
public:
    // Draws the box as DrawRoundBox / DrawShadedRoundRect would, clipped to
    // the painter's device.
    void draw(QPainter& painter, const TViewRect& rect, TColor fill, TColor pen, bool shaded);
    // Draws the box as DrawScaledBox would, on a painter that maps nothing.
    // At a whole ratio a box looks the same wherever it lies, so it is
    // rendered once per size and colours; at other ratios it is drawn in
    // place.
    void drawScaled(QPainter& painter, const TViewRect& rect, TColor fill, TColor pen, bool shaded,
                    const DeviceScale& scale);
    void clear();

private:
    struct Key {
        int width = 0;
        int height = 0;
        bool shaded = false;
        TColor fill = 0;
        TColor pen = 0;
        QRect visible; // the part on the device, relative to the box
        int ratio = 1; // device pixels per board pixel
        bool operator==(const Key&) const = default;
    };
    friend size_t qHash(const Key& key, size_t seed) noexcept;

    // Writes a large box into the painter's image when the painter draws
    // there as it is; false when it does not (nothing is drawn then).
    static bool drawDirect(QPainter& painter, const TViewRect& rect, const QRect& onDevice, TColor fill, TColor pen,
                           bool shaded);
    static QImage renderStepMap(const Key& key);
    QImage stepMap(const Key& spriteKey);
    const QImage& sprite(const Key& key);
    const QImage& keep(const Key& key, QImage image);

    QHash<Key, QImage> m_maps; // fill and pen zero in the key
    QHash<Key, QImage> m_sprites;
    qint64 m_mapPixels = 0;
    qint64 m_spritePixels = 0;
};

} // namespace tesk
