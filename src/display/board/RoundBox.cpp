#include "display/board/RoundBox.h"

#include "display/board/HlsColor.h"

#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tesk {
namespace {

// Boxes whose visible part is larger than a 4K board are drawn in place.
constexpr qint64 kMaxSpritePixels = 9'000'000;
// Boxes whose visible part is this large are written straight into the
// board: a kept copy would cost a board's worth of memory, filled and then
// blended, for what writing the box costs anyway.
constexpr qint64 kMinDirectPixels = 1'000'000;
// Bounds of what the caches may hold; on overflow they start over. The boxes
// of one board cover it about once, so one board's sprites always fit.
constexpr qint64 kMaxCachedSpritePixels = 20'000'000;
constexpr qint64 kMaxCachedMapPixels = 4'000'000;
// A scaled box is rendered whole at the origin; past this side it is drawn
// in place.
constexpr qint64 kMaxSpriteSide = 1 << 20;

TViewRect inset(const TViewRect& r, int d) { return {r.Left + d, r.Top + d, r.Right - d, r.Bottom - d}; }

// Drawing steps of a box, in the order they are drawn: the outline, the
// fill, then ring k is step 3 + k. A step number is written as an opaque
// colour so that the map records which step drew each pixel last.
constexpr int kOutlineStep = 1;
constexpr int kFillStep = 2;
constexpr int kFirstRingStep = 3;

TColor stepColour(int step) { return TColor(step) & 0x00FFFFFFu; }

// Every ring but the last is covered by the next one except within a few
// pixels of its own edge (the next ring is one pixel smaller with the same
// 5-pixel corners), so drawing each ring only in that band gives the same
// pixels as drawing it whole, at a cost that follows the perimeter rather
// than the area.
constexpr int kRingBand = 8;

void drawRingInBand(QPainter& painter, const TViewRect& r, TColor colour)
{
    const QRect outer(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    const QRect inner = outer.adjusted(kRingBand, kRingBand, -kRingBand, -kRingBand);
    if (inner.isEmpty()) {
        DrawRoundBox(painter, r, colour, colour);
        return;
    }
    painter.save();
    painter.setClipRegion(QRegion(outer).subtracted(QRegion(inner)), Qt::IntersectClip);
    DrawRoundBox(painter, r, colour, colour);
    painter.restore();
}

void drawSteps(QPainter& painter, const TViewRect& rect, bool shaded, TColor outline, TColor fill,
               const std::vector<ShadedRing>& rings, bool asSteps, bool banded)
{
    DrawRoundBox(painter, rect, asSteps ? stepColour(kFillStep) : fill, asSteps ? stepColour(kOutlineStep) : outline);
    if (!shaded)
        return;
    for (std::size_t k = 0; k < rings.size(); ++k) {
        const TColor c = asSteps ? stepColour(kFirstRingStep + int(k)) : rings[k].colour;
        if (banded && k + 1 < rings.size())
            drawRingInBand(painter, rings[k].rect, c);
        else
            DrawRoundBox(painter, rings[k].rect, c, c);
    }
}

} // namespace

namespace {

// A rounded box drawn by Qt is the same along each edge away from its
// corners, and its corners look the same at any size and place: a box of any
// size is a small one stretched along its middle row and column. So a box
// with hundreds of rings (each a rounded box one pixel inside the last) is
// worked out pixel by pixel from two small boxes drawn once, which costs
// about one write per pixel instead of a rasterisation of every ring.
constexpr int kCorner = 10;                // a corner's pixels lie within this many of both edges
constexpr int kModelSide = 2 * kCorner + 1; // the model box: its corners and one middle row and column

class StretchedBoxes {
public:
    static const StretchedBoxes& instance()
    {
        static const StretchedBoxes models;
        return models;
    }

    // False when Qt's drawing breaks the model (checked on a second box).
    bool usable() const { return m_usable; }
    // What DrawRoundBox over a box of w x h draws at (x, y): 0 nothing, then
    // kOutlineStep or kFillStep; w and h at least kModelSide.
    int outline(int x, int y, int w, int h) const { return m_outline[at(x, w) + kModelSide * at(y, h)]; }
    // Whether a box drawn in one colour covers (x, y).
    bool ring(int x, int y, int w, int h) const { return m_ring[at(x, w) + kModelSide * at(y, h)] != 0; }
    // What DrawRoundBox draws in the middle of a box.
    int centre() const { return m_outline[kCorner + kCorner * kModelSide]; }

private:
    static int at(int l, int size)
    {
        if (l < kCorner)
            return l;
        if (l >= size - kCorner)
            return l - (size - kModelSide);
        return kCorner;
    }

    // Steps drawn over a box of w x h, with a margin that must stay empty.
    static std::vector<quint8> drawModel(int w, int h, bool oneColour, bool& spills)
    {
        constexpr int margin = 3;
        QImage img(w + 2 * margin, h + 2 * margin, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            p.translate(margin, margin);
            const TColor fill = stepColour(oneColour ? kFirstRingStep : kFillStep);
            DrawRoundBox(p, {0, 0, w, h}, fill, oneColour ? fill : stepColour(kOutlineStep));
        }
        std::vector<quint8> steps(std::size_t(w) * h);
        for (int y = 0; y < img.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const int step = qAlpha(row[x]) == 0 ? 0 : qRed(row[x]);
                const bool inside = x >= margin && x < margin + w && y >= margin && y < margin + h;
                if (!inside)
                    spills = spills || step != 0;
                else
                    steps[std::size_t(y - margin) * w + (x - margin)] = quint8(step);
            }
        }
        return steps;
    }

    StretchedBoxes()
    {
        bool spills = false;
        m_outline = drawModel(kModelSide, kModelSide, false, spills);
        m_ring = drawModel(kModelSide, kModelSide, true, spills);
        // The stretching must give exactly what Qt draws for a larger box.
        const int w = kModelSide + 7;
        const int h = kModelSide + 4;
        const std::vector<quint8> outline = drawModel(w, h, false, spills);
        const std::vector<quint8> ring = drawModel(w, h, true, spills);
        bool same = true;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                same = same && outline[std::size_t(y) * w + x] == this->outline(x, y, w, h);
                same = same && (ring[std::size_t(y) * w + x] != 0) == this->ring(x, y, w, h);
            }
        // The fast spans below take every edge's middle and the centre as
        // covered by a ring.
        const int c = kCorner;
        const int e = kModelSide - 1;
        const bool edges = m_ring[c] && m_ring[c * kModelSide] && m_ring[e + c * kModelSide]
                        && m_ring[c + e * kModelSide] && m_ring[c + c * kModelSide] && m_outline[c + c * kModelSide];
        m_usable = same && !spills && edges;
    }

    std::vector<quint8> m_outline; // kModelSide x kModelSide
    std::vector<quint8> m_ring;
    bool m_usable = false;
};

// Renders what drawSteps (shaded with `ringCount` rings, or flat) draws over
// a box of w x h at the origin, for the pixels of `visible`, as
// palette[step]. The rings too narrow to stretch from the model are drawn
// by Qt afterwards, over the rest as in drawSteps.
// Fills n pixels with one colour: a few by hand, then copies of what is
// done, which go at memory speed where a pixel loop would not.
void fillRun(QRgb* p, qsizetype n, QRgb v)
{
    const qsizetype head = std::min<qsizetype>(n, 16);
    for (qsizetype i = 0; i < head; ++i)
        p[i] = v;
    for (qsizetype done = head; done < n;) {
        const qsizetype k = std::min(done, n - done);
        std::memcpy(p + done, p, size_t(k) * sizeof(QRgb));
        done += k;
    }
}

// Rings [0, stretchedRings) of a w x h box have both sides at least
// kModelSide.
int stretchedRings(int w, int h, int ringCount)
{
    int stretched = 0;
    while (stretched < ringCount && w - 2 * (stretched + 1) >= kModelSide && h - 2 * (stretched + 1) >= kModelSide)
        ++stretched;
    return stretched;
}

// The stretched rings of renderStretched, written from `origin` (the pixel
// of visible's top left) with `stride` bytes a line. With `keepUnder` the
// pixels outside the box (palette 0) are left as they are, which is drawing
// the opaque box over them.
void writeStretched(uchar* origin, qsizetype stride, bool keepUnder, int w, int h, const QRect& visible,
                    int stretched, const std::vector<QRgb>& palette)
{
    const StretchedBoxes& model = StretchedBoxes::instance();
    const int c = kCorner;

    // The last ring that covers (x, y), else the box itself.
    auto owner = [&](int x, int y) -> int {
        const int d = std::min(std::min(x, y), std::min(w - 1 - x, h - 1 - y));
        for (int k = std::min(d - 1, stretched - 1); k >= 0; --k) {
            const int a = k + 1;
            if (model.ring(x - a, y - a, w - 2 * a, h - 2 * a))
                return kFirstRingStep + k;
        }
        return model.outline(x, y, w, h);
    };
    // Away from the diagonals, a pixel d from the nearest edge (and more
    // than kCorner nearer to it than to any other) is ring d - 1's edge.
    const QRgb interior = palette[std::size_t(stretched > 0 ? kFirstRingStep + stretched - 1 : model.centre())];

    // Pixels d from the nearest edge with 1 <= d <= stretched: palette
    // entries in a row, from the left edge, backwards from the right one.
    const QRgb* const rings = palette.data() + kFirstRingStep - 1;
    // backwards[stretched + 1 - d] == rings[d]
    std::vector<QRgb> backwards(std::size_t(stretched) + 1);
    for (int d = 1; d <= stretched; ++d)
        backwards[std::size_t(stretched + 1 - d)] = rings[d];
    const int inner = std::max(stretched + c, c); // from this depth on: interior
    const int x0 = visible.left();
    const int x1 = visible.right() + 1;
    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        QRgb* const line = reinterpret_cast<QRgb*>(origin + (y - visible.top()) * stride);
        // Where the model decides; outside the box it draws nothing (0).
        auto modelled = [&](int x) {
            const QRgb v = palette[std::size_t(owner(x, y))];
            if (v != 0 || !keepUnder)
                line[x - x0] = v;
        };
        const int dy = std::min(y, h - 1 - y);
        // [0, leftEnd): nearest the left edge; [rightStart, w): nearest the
        // right edge; [midStart, midEnd): nearest the top or bottom edge.
        // Rows further from the top and bottom than half the width have no
        // middle: the left and right parts meet.
        const int half = (w - 1) / 2 + 1;
        const int leftEnd = std::clamp(dy - c, 0, half);
        const int rightStart = std::max(w - dy + c, half);
        const int midStart = std::min(dy + c + 1, rightStart);
        const int midEnd = std::max(midStart, w - 1 - dy - c);
        int x = x0;
        auto until = [&](int end) { return std::min(std::max(end, x), x1); };
        for (const int end = until(leftEnd); x < end;) {
            if (x >= 1 && x <= stretched) {
                const int run = std::min(end, stretched + 1);
                std::copy(rings + x, rings + run, line + (x - x0));
                x = run;
            } else if (x >= inner) {
                fillRun(line + (x - x0), end - x, interior);
                x = end;
            } else {
                modelled(x++);
            }
        }
        for (const int end = until(midStart); x < end; ++x)
            modelled(x);
        if (const int end = until(midEnd); x < end) {
            const QRgb v = palette[std::size_t(owner(x, y))];
            if (v != 0 || !keepUnder)
                fillRun(line + (x - x0), end - x, v);
            x = end;
        }
        for (const int end = until(rightStart); x < end; ++x)
            modelled(x);
        while (x < x1) {
            const int d = w - 1 - x;
            if (d >= inner) {
                const int run = std::min(x1, w - inner);
                fillRun(line + (x - x0), run - x, interior);
                x = run;
            } else if (d >= 1 && d <= stretched) {
                const int run = std::min(x1, w - 1);
                std::memcpy(line + (x - x0), backwards.data() + (stretched + 1 - d), size_t(run - x) * sizeof(QRgb));
                x = run;
            } else {
                modelled(x++);
            }
        }
    }
}

void renderStretched(QImage& out, int w, int h, const QRect& visible, int ringCount, const std::vector<QRgb>& palette)
{
    const int stretched = stretchedRings(w, h, ringCount);
    writeStretched(out.bits(), out.bytesPerLine(), false, w, h, visible, stretched, palette);

    if (stretched < ringCount) {
        QPainter p(&out);
        p.translate(-visible.x(), -visible.y());
        const std::vector<ShadedRing> rings = ShadedRings({0, 0, w, h}, 0);
        for (int k = stretched; k < ringCount; ++k) {
            // palette entries are opaque: drawn as they are.
            const QRgb q = palette[std::size_t(kFirstRingStep + k)];
            const TColor colour = TColor(qRed(q)) | (TColor(qGreen(q)) << 8) | (TColor(qBlue(q)) << 16);
            if (k + 1 < ringCount)
                drawRingInBand(p, rings[std::size_t(k)].rect, colour);
            else
                DrawRoundBox(p, rings[std::size_t(k)].rect, colour, colour);
        }
    }
}

} // namespace

void DrawRoundBox(QPainter& painter, const TViewRect& rect, TColor fill, TColor pen)
{
    if (rect.Right <= rect.Left || rect.Bottom <= rect.Top)
        return;
    painter.setPen(QPen(ToQColor(pen), 1));
    painter.setBrush(ToQColor(fill));
    painter.drawRoundedRect(QRect(rect.Left, rect.Top, rect.Right - rect.Left - 1, rect.Bottom - rect.Top - 1), 5, 5);
}

std::vector<ShadedRing> ShadedRings(const TViewRect& rect, TColor base)
{
    std::vector<ShadedRing> rings;
    TViewRect inner = inset(rect, 1);
    const Hls hls = RGBtoHLS(base);
    const int L0 = hls.L;
    const int S0 = hls.S;
    int L = L0;
    int S = S0;
    const bool bright = L0 > 100;
    const int innerHeight = inner.Bottom - inner.Top;
    const int count = innerHeight < 0 ? 0 : innerHeight / 3 + 1;
    for (int i = 0; i < count; ++i) {
        if (bright) {
            if (L0 - L < 20 && L > 20)
                --L;
            else if (S0 - S < 20 && S > 20)
                --S;
        } else {
            if (L - L0 < 20 && L < 200)
                ++L;
            else if (S - S0 < 20 && S < 200)
                ++S;
        }
        rings.push_back({inner, HLStoRGB(hls.H, L, S)});
        inner = inset(inner, 1);
        if (inner.Right - inner.Left <= 5 || inner.Bottom - inner.Top <= 5)
            break;
    }
    return rings;
}

void DrawShadedRoundRect(QPainter& painter, const TViewRect& rect, TColor base, TColor pen)
{
    drawSteps(painter, rect, true, pen, base, ShadedRings(rect, base), false, false);
}

void DrawShadedRoundRectBanded(QPainter& painter, const TViewRect& rect, TColor base, TColor pen)
{
    drawSteps(painter, rect, true, pen, base, ShadedRings(rect, base), false, true);
}

namespace {

void fillScaledRound(QPainter& painter, const QRect& r, qreal radius, TColor colour)
{
    if (r.isEmpty())
        return;
    painter.setBrush(ToQColor(colour));
    painter.drawRoundedRect(r, radius, radius);
}

} // namespace

void DrawScaledBox(QPainter& painter, const TViewRect& rect, TColor fill, TColor pen, bool shaded,
                   const DeviceScale& scale, bool banded)
{
    if (rect.Right <= rect.Left || rect.Bottom <= rect.Top)
        return;
    const qreal radius = 5 * scale.ratio;
    painter.save();
    painter.setPen(Qt::NoPen);
    fillScaledRound(painter, scale.map(rect), radius, pen);
    fillScaledRound(painter, scale.map(inset(rect, 1)), radius, fill);
    if (shaded) {
        // A ring shows from its edge to the next ring's edge, and near the
        // corners up to the corner radius further in; a band of
        // kRingBand board pixels holds all of that.
        const int band = int(std::ceil(kRingBand * scale.ratio));
        const std::vector<ShadedRing> rings = ShadedRings(rect, fill);
        for (std::size_t k = 0; k < rings.size(); ++k) {
            const QRect outer = scale.map(rings[k].rect);
            const QRect inner = outer.adjusted(band, band, -band, -band);
            if (banded && k + 1 < rings.size() && !inner.isEmpty()) {
                painter.setClipRegion(QRegion(outer).subtracted(QRegion(inner)));
                fillScaledRound(painter, outer, radius, rings[k].colour);
                painter.setClipping(false);
            } else {
                fillScaledRound(painter, outer, radius, rings[k].colour);
            }
        }
    }
    painter.restore();
}

size_t qHash(const BoxSprites::Key& key, size_t seed) noexcept
{
    return qHashMulti(seed, key.width, key.height, key.shaded, key.fill, key.pen, key.visible.x(), key.visible.y(),
                      key.visible.width(), key.visible.height(), key.ratio);
}

QImage BoxSprites::renderStepMap(const Key& key)
{
    QImage map(key.visible.size(), QImage::Format_ARGB32_Premultiplied);
    map.fill(Qt::transparent);
    QPainter p(&map);
    p.translate(-key.visible.x(), -key.visible.y());
    const TViewRect rect{0, 0, key.width, key.height};
    drawSteps(p, rect, key.shaded, 0, 0, key.shaded ? ShadedRings(rect, 0) : std::vector<ShadedRing>{}, true, true);
    return map;
}

QImage BoxSprites::stepMap(const Key& spriteKey)
{
    Key key = spriteKey;
    key.fill = 0;
    key.pen = 0;
    auto it = m_maps.constFind(key);
    if (it != m_maps.constEnd())
        return *it;
    QImage map = renderStepMap(key);
    const qint64 pixels = qint64(map.width()) * map.height();
    if (pixels <= kMaxCachedMapPixels) {
        if (m_mapPixels + pixels > kMaxCachedMapPixels) {
            m_maps.clear();
            m_mapPixels = 0;
        }
        m_mapPixels += pixels;
        m_maps.insert(key, map);
    }
    return map;
}

namespace {

// Step number -> premultiplied opaque colour; 0 (nothing drawn) is
// transparent.
std::vector<QRgb> stepPalette(int w, int h, TColor fill, TColor pen, bool shaded)
{
    std::vector<QRgb> palette{0, 0, 0};
    auto opaque = [](TColor c) { return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); };
    palette[kOutlineStep] = opaque(pen);
    palette[kFillStep] = opaque(fill);
    if (shaded) {
        for (const ShadedRing& ring : ShadedRings({0, 0, w, h}, fill))
            palette.push_back(opaque(ring.colour));
    }
    return palette;
}

} // namespace

const QImage& BoxSprites::sprite(const Key& key)
{
    auto it = m_sprites.constFind(key);
    if (it != m_sprites.constEnd())
        return *it;

    const std::vector<QRgb> palette = stepPalette(key.width, key.height, key.fill, key.pen, key.shaded);

    if (key.width >= kModelSide && key.height >= kModelSide && StretchedBoxes::instance().usable()) {
        QImage out(key.visible.size(), QImage::Format_ARGB32_Premultiplied);
        renderStretched(out, key.width, key.height, key.visible, int(palette.size()) - kFirstRingStep, palette);
        return keep(key, std::move(out));
    }

    const QImage map = stepMap(key);

    QImage out(map.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < map.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(map.constScanLine(y));
        auto* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < map.width(); ++x) {
            const QRgb px = in[x];
            if (qAlpha(px) == 0) {
                o[x] = 0;
                continue;
            }
            const std::size_t step = std::size_t(qRed(px)) | (std::size_t(qGreen(px)) << 8) | (std::size_t(qBlue(px)) << 16);
            o[x] = step < palette.size() ? palette[step] : 0;
        }
    }
    return keep(key, std::move(out));
}

const QImage& BoxSprites::keep(const Key& key, QImage image)
{
    const qint64 pixels = qint64(image.width()) * image.height();
    if (m_spritePixels + pixels > kMaxCachedSpritePixels) {
        m_sprites.clear();
        m_spritePixels = 0;
    }
    m_spritePixels += pixels;
    return *m_sprites.insert(key, std::move(image));
}

void BoxSprites::drawScaled(QPainter& painter, const TViewRect& rect, TColor fill, TColor pen, bool shaded,
                            const DeviceScale& scale)
{
    const qint64 w = qint64(rect.Right) - rect.Left;
    const qint64 h = qint64(rect.Bottom) - rect.Top;
    if (w <= 0 || h <= 0)
        return;
    const QRect box = scale.map(rect);
    const QPaintDevice* device = painter.device();
    const QRect onDevice = box & QRect(0, 0, device->width(), device->height());
    if (onDevice.isEmpty())
        return;
    const bool whole = scale.ratio == std::floor(scale.ratio);
    const bool keyable = w <= kMaxSpriteSide && h <= kMaxSpriteSide;
    if (!whole || !keyable || qint64(onDevice.width()) * onDevice.height() > kMaxSpritePixels) {
        DrawScaledBox(painter, rect, fill, pen, shaded, scale, true);
        return;
    }
    const Key key{int(w), int(h), shaded, fill, pen, onDevice.translated(-box.left(), -box.top()), int(scale.ratio)};
    auto it = m_sprites.constFind(key);
    if (it == m_sprites.constEnd()) {
        // Every edge of the box lies a whole number of device pixels from
        // its corner, the same at the origin as where it is drawn.
        QImage out(key.visible.size(), QImage::Format_ARGB32_Premultiplied);
        out.fill(Qt::transparent);
        QPainter p(&out);
        p.translate(-key.visible.x(), -key.visible.y());
        DrawScaledBox(p, {0, 0, key.width, key.height}, fill, pen, shaded, scale, true);
        p.end();
        painter.drawImage(onDevice.topLeft(), keep(key, std::move(out)));
        return;
    }
    painter.drawImage(onDevice.topLeft(), *it);
}

bool BoxSprites::drawDirect(QPainter& painter, const TViewRect& rect, const QRect& onDevice, TColor fill, TColor pen,
                            bool shaded)
{
    // Written straight into the image: only where the painter would draw
    // the opaque box as it is, with nothing mapped.
    QPaintDevice* device = painter.device();
    if (device->devType() != QInternal::Image)
        return false;
    auto* image = static_cast<QImage*>(device);
    if (image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32_Premultiplied)
        return false;
    if (!painter.deviceTransform().isIdentity() || painter.opacity() != 1.0
        || painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    const int w = rect.Right - rect.Left;
    const int h = rect.Bottom - rect.Top;
    if (w < kModelSide || h < kModelSide || !StretchedBoxes::instance().usable())
        return false;
    const std::vector<QRgb> palette = stepPalette(w, h, fill, pen, shaded);
    const int ringCount = int(palette.size()) - kFirstRingStep;
    const int stretched = stretchedRings(w, h, ringCount);
    if (stretched < ringCount)
        return false;

    const QRegion area = painter.hasClipping() ? painter.clipRegion() & onDevice : QRegion(onDevice);
    uchar* const bits = image->bits();
    const qsizetype stride = image->bytesPerLine();
    for (const QRect& r : area) {
        writeStretched(bits + r.top() * stride + qsizetype(r.left()) * 4, stride, true, w, h,
                       r.translated(-rect.Left, -rect.Top), stretched, palette);
    }
    return true;
}

void BoxSprites::draw(QPainter& painter, const TViewRect& rect, TColor fill, TColor pen, bool shaded)
{
    const int w = rect.Right - rect.Left;
    const int h = rect.Bottom - rect.Top;
    if (w <= 0 || h <= 0)
        return;
    // Only the part on the device is kept: a box past the board's edge costs
    // no more than what shows of it.
    const QPaintDevice* device = painter.device();
    const QRect onDevice = QRect(rect.Left, rect.Top, w, h) & QRect(0, 0, device->width(), device->height());
    if (onDevice.isEmpty())
        return;
    if (qint64(onDevice.width()) * onDevice.height() >= kMinDirectPixels
        && drawDirect(painter, rect, onDevice, fill, pen, shaded))
        return;
    if (qint64(onDevice.width()) * onDevice.height() > kMaxSpritePixels) {
        if (shaded)
            DrawShadedRoundRectBanded(painter, rect, fill, pen);
        else
            DrawRoundBox(painter, rect, fill, pen);
        return;
    }
    const Key key{w, h, shaded, fill, pen, onDevice.translated(-rect.Left, -rect.Top)};
    painter.drawImage(onDevice.topLeft(), sprite(key));
}

void BoxSprites::clear()
{
    m_maps.clear();
    m_sprites.clear();
    m_mapPixels = 0;
    m_spritePixels = 0;
}

} // namespace tesk
