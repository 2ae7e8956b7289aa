#include "display/board/CallBoard.h"

#include "display/board/BlendBitmaps.h"
#include "display/board/BoardText.h"
#include "display/board/DeviceScale.h"
#include "display/board/FontFitter.h"
#include "display/board/HlsColor.h"
#include "display/board/RoundBox.h"
#include "display/board/ShortTimeText.h"
#include "display/board/WaitingTime.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <stdexcept>

namespace tesk {
namespace {

constexpr TColor kWatermarkBlue = 0xFF0000; // pure blue, 0x00BBGGRR
constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kBlack = 0x000000;
constexpr int kWatermarkStartSize = 10;
constexpr int kHeaderStartSize = 12;
constexpr int kWatermarkPercent = 70; // share of the picture under the name

int clampToInt(qint64 v)
{
    return int(std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

TViewRect makeRect(qint64 l, qint64 t, qint64 r, qint64 b)
{
    return {clampToInt(l), clampToInt(t), clampToInt(r), clampToInt(b)};
}

// Trunc of a floating-point quotient into a board coordinate; the platform
// fails on a division by zero and on a result out of range.
int truncQuotient(double numerator, double ratio)
{
    const double v = numerator / ratio;
    if (!std::isfinite(v) || std::fabs(v) >= double(std::numeric_limits<int>::max()))
        throw std::runtime_error("Invalid floating point operation");
    return int(std::trunc(v));
}

// The measuring and drawing steps that the two paths do differently.
class Tools {
public:
    virtual ~Tools() = default;
    virtual int fit(const QString& face, int start, QSize box, const QString& text) = 0;
    virtual QSize extent(const QString& face, int size, const QString& text) = 0;
    virtual void box(QPainter& p, const TViewRect& rect, TColor fill, TColor pen, bool shaded) = 0;
    // The box on a scaled board, in device pixels.
    virtual void scaledBox(QPainter& p, const TViewRect& rect, TColor fill, TColor pen, bool shaded,
                           const DeviceScale& scale) = 0;
};

class LiteralTools final : public Tools {
public:
    int fit(const QString& face, int start, QSize box, const QString& text) override
    {
        return FitFontSize(face, start, box, text);
    }
    QSize extent(const QString& face, int size, const QString& text) override
    {
        return TextExtent(BoardFont(face, size), text);
    }
    void box(QPainter& p, const TViewRect& rect, TColor fill, TColor pen, bool shaded) override
    {
        if (shaded)
            DrawShadedRoundRect(p, rect, fill, pen);
        else
            DrawRoundBox(p, rect, fill, pen);
    }
    void scaledBox(QPainter& p, const TViewRect& rect, TColor fill, TColor pen, bool shaded,
                   const DeviceScale& scale) override
    {
        DrawScaledBox(p, rect, fill, pen, shaded, scale, false);
    }
};

class CachedTools final : public Tools {
public:
    CachedTools(FontFitter& fitter, BoxSprites& sprites) : m_fitter(fitter), m_sprites(sprites) {}
    int fit(const QString& face, int start, QSize box, const QString& text) override
    {
        return m_fitter.fit(face, start, box, text);
    }
    QSize extent(const QString& face, int size, const QString& text) override
    {
        return m_fitter.extent(face, size, text);
    }
    void box(QPainter& p, const TViewRect& rect, TColor fill, TColor pen, bool shaded) override
    {
        m_sprites.draw(p, rect, fill, pen, shaded);
    }
    void scaledBox(QPainter& p, const TViewRect& rect, TColor fill, TColor pen, bool shaded,
                   const DeviceScale& scale) override
    {
        m_sprites.drawScaled(p, rect, fill, pen, shaded, scale);
    }

private:
    FontFitter& m_fitter;
    BoxSprites& m_sprites;
};

// The clinic name drawn in blue on O (the device pixels of a board of
// W x H board pixels) as the watermark places it.
void drawWatermarkName(QImage& O, int W, int H, const DeviceScale& scale, int mode, const QString& face, int size,
                       const QString& name, int unrotatedWidth, int height)
{
    QPainter p(&O);
    p.setFont(BoardFont(face, size, scale.ratio));
    p.setPen(ToQColor(kWatermarkBlue));
    if (mode == 0)
        TextOutTopLeft(p, scale.map(20), scale.map(H - height), name);
    else
        TextOutRotated(p, 270, scale.map(W), scale.map(H / 2 - unrotatedWidth / 2), name);
}

// Where the ink of the name drawn by drawWatermarkName can lie, in device
// pixels: its cell, and a line height around it for overhangs and accents.
QRect watermarkInk(int mode, int W, int H, const DeviceScale& scale, int unrotatedWidth, int height)
{
    const qint64 m = height;
    if (mode == 0)
        return scale.map(makeRect(20 - m, qint64(H) - height - m, 20 + qint64(unrotatedWidth) + m, qint64(H) + m));
    const qint64 top = H / 2 - unrotatedWidth / 2;
    return scale.map(makeRect(qint64(W) - 2 * m, top - m, qint64(W) + m, top + unrotatedWidth + m));
}

QSize watermarkBox(int mode, int W, int H)
{
    return mode == 0 ? QSize(W - 40, H / 5) : QSize(H - 40, W / 5);
}

// Resources that get a column (or row) of the board.
int slotCount(const TCallList& list, const BoardSettings& settings)
{
    int n = 0;
    for (const auto& call : list) {
        if (call && (settings.ShowingAlwaysShowAll || !call->CurrentCallList.empty()))
            ++n;
    }
    return n;
}

bool boxesShown(int n, const BoardSettings& settings)
{
    return n > 0 && (settings.TESKShowMode == 0 || settings.TESKShowMode == 1);
}

// The frame is drawn on in device pixels, through the scale; it carries
// its ratio again once the drawing is done.
class DevicePixelsWhileDrawing {
public:
    DevicePixelsWhileDrawing(QImage& frame, qreal ratio) : m_frame(frame), m_ratio(ratio)
    {
        m_frame.setDevicePixelRatio(1.0);
    }
    ~DevicePixelsWhileDrawing() { m_frame.setDevicePixelRatio(m_ratio); }
    DevicePixelsWhileDrawing(const DevicePixelsWhileDrawing&) = delete;
    DevicePixelsWhileDrawing& operator=(const DevicePixelsWhileDrawing&) = delete;

private:
    QImage& m_frame;
    qreal m_ratio;
};

} // namespace

struct CallBoard::Private {
    BoardSettings settings;
    QString kliniknamn;
    QString timeFormat; // empty: the locale's, taken at each paint
    bool showWaiting = false;
    TDateTime now = 0;
    QImage bt2;   // the picture
    QSize size;   // board pixels
    DeviceScale scale;
    // The composed board at device pixels. Everything is drawn on it in
    // device pixels, through `scale`, with the ratio set only once it is
    // done: a painter on an image with a ratio would scale glyphs drawn for
    // board pixels, and Qt smooths transformed text whatever the font asks.
    QImage frame;

    QSize deviceSize() const { return scale.map(size); }

    // Cached path: the picture scaled to the board (black without one),
    // remade only when what it shows changes. The watermark is drawn into
    // it in place; `clean` keeps the pixels it covers (at cleanAt), so the
    // plain picture is at hand without a second board-sized copy.
    QImage bt;
    qint64 btPicture = 0;
    bool btShown = false; // bt holds the picture (or black) at the board's size
    QImage clean;
    QPoint cleanAt;
    struct MarkKey {
        qint64 picture = 0;
        QSize size;
        QString name;
        QString face;
        int mode = -1;
        qreal ratio = 1.0;
        bool operator==(const MarkKey&) const = default;
    } markKey;
    bool markValid = false;

    FontFitter fitter;
    BoxSprites sprites;

    // One line of a caller's box as laid out.
    struct Line {
        QString text;
        qint64 y = 0;
        bool shown = false; // can reach the board
        // The device pixels its ink can cover (ink()), once a refresh has
        // needed them; null until then.
        QRect ink;
        bool sameAs(const Line& o) const { return text == o.text && y == o.y && shown == o.shown; }
    };
    // The two lines of every caller as the last composition laid them out,
    // in drawing order: all that a later `now` can change on the board.
    struct CallerLines {
        const TCaller* caller = nullptr;
        bool hidden = false; // below the board with the rest of its resource
        int size = 0;
        qint64 x = 0;
        std::array<Line, 2> line;
    };
    std::vector<CallerLines> lines;
    // `lines` and the frame are those of a finished cached composition, with
    // every setting still as it was then.
    bool linesValid = false;

    void ensureFrame();
    // The background under everything into bt: the scaled picture, or black.
    void cachedBackground();
    // The watermark drawn into bt, as the settings now place it.
    void cachedWatermark();
    // bt's pixels under the watermark back as they were.
    void takeOffWatermark();
    void paint(TCallList& list, bool cached);
    // Lays out and draws the headers and calls. With `record` every
    // caller's lines are added to it; a painter that is not active lays out
    // only. With `clip` (device pixels) only what can reach it is drawn,
    // separators included, and the painter is to be clipped to it too; the
    // callers' lines are then taken from `replay`, laid out just before.
    void drawBoxes(QPainter& p, TCallList& list, int n, Tools& tools, std::vector<CallerLines>* record,
                   const QRegion* clip = nullptr, std::vector<CallerLines>* replay = nullptr);
    std::optional<QRegion> refresh(TCallList& list, TDateTime newNow);
    std::optional<QRegion> redrawChangedLines(TCallList& list, int n, Tools& tools);
    // The device pixels a line's ink can cover: its glyphs' bounds, with a
    // margin for how the rasteriser rounds them.
    QRect ink(int size, qint64 x, qint64 y, const QString& text);
    const QRect& inkOf(const CallerLines& c, Line& l)
    {
        if (l.ink.isNull())
            l.ink = ink(c.size, c.x, l.y, l.text);
        return l.ink;
    }
    // Every header's box and font size, as the last composition measured them.
    struct Headers {
        int U = 0;
        int V = 0;
        int size = 0;
    };
    std::optional<Headers> headers;
    Headers measureHeaders(const TCallList& list, int n, Tools& tools);
    // Metrics by size for ink(), of the face and ratio of one refresh.
    std::map<int, QFontMetrics> inkMetrics;
    // Board pixels covering the device pixels of `device`.
    QRegion boardRegion(const QRegion& device) const;
};

void CallBoard::Private::ensureFrame()
{
    const QSize ds = deviceSize();
    if (frame.size() != ds || frame.format() != QImage::Format_RGB32)
        frame = ds.isEmpty() ? QImage() : QImage(ds, QImage::Format_RGB32);
    frame.setDevicePixelRatio(scale.ratio);
}

void CallBoard::Private::cachedBackground()
{
    const QSize ds = deviceSize();
    const qint64 picture = bt2.isNull() ? 0 : bt2.cacheKey();
    if (btShown && bt.size() == ds && btPicture == picture)
        return;
    markValid = false;
    clean = QImage();
    if (bt2.isNull()) {
        bt = QImage(ds, QImage::Format_RGB32);
        bt.fill(QColor(Qt::black));
    } else {
        bt = bt2.scaled(ds, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
    }
    btPicture = picture;
    btShown = true;
}

void CallBoard::Private::takeOffWatermark()
{
    if (!clean.isNull()) {
        QPainter p(&bt);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(cleanAt, clean);
    }
    clean = QImage();
    markValid = false;
}

void CallBoard::Private::cachedWatermark()
{
    const int mode = settings.TESKShowMode;
    MarkKey key{btPicture, size, kliniknamn, settings.TESKShowFontName, mode, scale.ratio};
    if (markValid && key == markKey)
        return;
    takeOffWatermark();

    // The name is blended with what lies under it; only where its ink can
    // be do the two differ, so only there is the blend done, against the
    // pixels kept from there.
    const QString& face = settings.TESKShowFontName;
    const int fs = fitter.fit(face, kWatermarkStartSize, watermarkBox(mode, size.width(), size.height()), kliniknamn);
    const QSize e = fitter.extent(face, fs, kliniknamn);
    const QRect ink = watermarkInk(mode, size.width(), size.height(), scale, e.width(), e.height()) & bt.rect();
    if (!ink.isEmpty()) {
        clean = bt.copy(ink);
        cleanAt = ink.topLeft();
    }
    drawWatermarkName(bt, size.width(), size.height(), scale, mode, face, fs, kliniknamn, e.width(), e.height());
    if (!ink.isEmpty()) {
        QImage marked(bt.bits() + ink.top() * bt.bytesPerLine() + qsizetype(ink.left()) * 4, ink.width(),
                      ink.height(), bt.bytesPerLine(), bt.format());
        BlendBitmapsFast(marked, clean, kWatermarkPercent, marked.rect());
    }
    markKey = key;
    markValid = true;
}

void CallBoard::Private::paint(TCallList& list, bool cached)
{
    linesValid = false;
    lines.clear();
    headers.reset();
    ensureFrame();
    if (frame.isNull())
        return;
    DevicePixelsWhileDrawing devicePixels(frame, scale.ratio);

    const int W = size.width();
    const int H = size.height();
    const int mode = settings.TESKShowMode;

    // 1. Slot count.
    const int n = slotCount(list, settings);
    const bool boxes = boxesShown(n, settings);

    LiteralTools literal;
    CachedTools fast(fitter, sprites);
    Tools& tools = cached ? static_cast<Tools&>(fast) : static_cast<Tools&>(literal);

    if (cached) {
        // 2-4 from the kept layers.
        if (!boxes && bt2.isNull()) {
            frame.fill(QColor(Qt::black));
        } else {
            cachedBackground();
            if (boxes)
                cachedWatermark();
            std::memcpy(frame.bits(), bt.constBits(), size_t(frame.sizeInBytes()));
            if (!boxes && markValid) {
                QPainter p(&frame);
                p.setCompositionMode(QPainter::CompositionMode_Source);
                p.drawImage(cleanAt, clean);
            }
        }
    } else {
        // 2. Background: the panel is black; the picture scaled over it.
        frame.fill(QColor(Qt::black));
        if (!bt2.isNull()) {
            const QImage scaled = bt2.scaled(frame.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                      .convertToFormat(QImage::Format_RGB32);
            QPainter p(&frame);
            p.drawImage(QPoint(0, 0), scaled);
        }
        if (boxes) {
            // 4. Watermark.
            const QString& face = settings.TESKShowFontName;
            const int fs = FitFontSize(face, kWatermarkStartSize, watermarkBox(mode, W, H), kliniknamn);
            const QSize e = TextExtent(BoardFont(face, fs), kliniknamn);
            QImage O = frame.copy();
            const QImage K = O.copy();
            drawWatermarkName(O, W, H, scale, mode, face, fs, kliniknamn, e.width(), e.height());
            BlendBitmaps(O, K, kWatermarkPercent);
            QPainter p(&frame);
            p.drawImage(QPoint(0, 0), O);
        }
    }
    // 3. Nothing more without slots or in an unknown layout.
    if (!boxes) {
        linesValid = cached;
        return;
    }

    QPainter p(&frame);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    drawBoxes(p, list, n, tools, &lines);
    linesValid = cached;
}

std::optional<QRegion> CallBoard::Private::refresh(TCallList& list, TDateTime newNow)
{
    now = newNow;
    if (!linesValid || frame.isNull())
        return std::nullopt;
    const int n = slotCount(list, settings);
    if (!boxesShown(n, settings))
        return lines.empty() ? std::optional<QRegion>(QRegion()) : std::nullopt;
    if (!markValid)
        return std::nullopt;
    DevicePixelsWhileDrawing devicePixels(frame, scale.ratio);
    CachedTools tools(fitter, sprites);
    // Until the frame is whole again, only a composition can be trusted.
    linesValid = false;
    inkMetrics.clear();
    try {
        std::optional<QRegion> redrawn = redrawChangedLines(list, n, tools);
        linesValid = redrawn.has_value();
        return redrawn;
    } catch (const std::exception&) {
        return std::nullopt; // the composition that follows reports it
    }
}

std::optional<QRegion> CallBoard::Private::redrawChangedLines(TCallList& list, int n, Tools& tools)
{
    std::vector<CallerLines> fresh;
    fresh.reserve(lines.size());
    QPainter layoutOnly;
    drawBoxes(layoutOnly, list, n, tools, &fresh);
    if (fresh.size() != lines.size())
        return std::nullopt;
    QRegion dirty;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        CallerLines& was = lines[i];
        CallerLines& is = fresh[i];
        if (was.caller != is.caller || was.hidden != is.hidden)
            return std::nullopt;
        const bool moved = was.size != is.size || was.x != is.x;
        for (std::size_t k = 0; k < is.line.size(); ++k) {
            Line& a = was.line[k];
            Line& b = is.line[k];
            if (!moved && a.sameAs(b)) {
                b.ink = a.ink;
                continue;
            }
            if (a.shown)
                dirty += inkOf(was, a);
            if (b.shown)
                dirty += inkOf(is, b);
        }
    }
    dirty &= QRegion(frame.rect());
    lines = std::move(fresh);
    if (!dirty.isEmpty()) {
        // There the layer under the boxes again, and then all that the
        // composition drew over it, in the same order.
        const qsizetype stride = frame.bytesPerLine();
        uchar* const to = frame.bits();
        const uchar* const from = bt.constBits();
        for (const QRect& r : dirty) {
            for (int y = r.top(); y <= r.bottom(); ++y)
                std::memcpy(to + y * stride + r.left() * 4, from + y * stride + r.left() * 4, size_t(r.width()) * 4);
        }
        QPainter p(&frame);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setClipRegion(dirty);
        drawBoxes(p, list, n, tools, nullptr, &dirty, &lines);
    }
    return boardRegion(dirty);
}

QRect CallBoard::Private::ink(int size, qint64 x, qint64 y, const QString& text)
{
    auto it = inkMetrics.find(size);
    if (it == inkMetrics.end())
        it = inkMetrics.emplace(size, QFontMetrics(BoardFont(settings.TESKShowFontName, size, scale.ratio), &frame))
                 .first;
    const QFontMetrics& fm = it->second;
    const QRect glyphs = fm.boundingRect(text).translated(scale.map(x), scale.map(y) + fm.ascent());
    const int margin = std::max(2, scale.map(2));
    return glyphs.adjusted(-margin, -margin, margin, margin);
}

QRegion CallBoard::Private::boardRegion(const QRegion& device) const
{
    if (scale.identity())
        return device;
    // A board pixel covers the device pixels from its mapped edge to the
    // next; a pixel more each side is cheaper than finding which one.
    QRegion board;
    for (const QRect& r : device) {
        const int l = int(std::floor(r.left() / scale.ratio)) - 1;
        const int t = int(std::floor(r.top() / scale.ratio)) - 1;
        const int rr = int(std::ceil((r.right() + 1) / scale.ratio)) + 1;
        const int b = int(std::ceil((r.bottom() + 1) / scale.ratio)) + 1;
        board += QRect(QPoint(l, t), QPoint(rr - 1, b - 1));
    }
    return board & QRegion(QRect(QPoint(0, 0), size));
}

void CallBoard::Private::drawBoxes(QPainter& p, TCallList& list, int n, Tools& tools,
                                   std::vector<CallerLines>* record, const QRegion* clip,
                                   std::vector<CallerLines>* replay)
{
    std::size_t replayed = 0;
    const bool drawing = p.isActive();
    auto inClip = [&](const QRect& device) { return !clip || clip->intersects(device); };
    auto drawBox = [&](const TViewRect& rect, TColor fill, TColor pen, bool shaded) {
        if (!drawing || !inClip(scale.map(rect)))
            return;
        if (scale.identity())
            tools.box(p, rect, fill, pen, shaded);
        else
            tools.scaledBox(p, rect, fill, pen, shaded, scale);
    };
    const int W = size.width();
    const int H = size.height();
    const bool landscape = settings.TESKShowMode == 0;
    const QString& face = settings.TESKShowFontName;
    const bool shaded = settings.FPaintEffect;
    const QString timeFormatNow = timeFormat.isEmpty() ? LongTimeFormatWithoutZone(QLocale()) : timeFormat;

    // The names do not change until the next composition.
    if (!headers)
        headers = measureHeaders(list, n, tools);
    const int U = headers->U;
    const int V = headers->V;
    const int hs = headers->size;

    uchar* const bits = drawing ? frame.bits() : nullptr;
    const qsizetype stride = frame.bytesPerLine();
    auto invertDevice = [&](int dx0, int dx1, int dy0, int dy1) {
        for (int y = dy0; y < dy1; ++y) {
            auto* row = reinterpret_cast<QRgb*>(bits + y * stride);
            for (int x = dx0; x < dx1; ++x)
                row[x] ^= 0x00FFFFFFu;
        }
    };
    // Inverts the device pixels of board columns [x0, x1) and rows [y0, y1);
    // the caller keeps them on the board.
    auto invert = [&](qint64 x0, qint64 x1, qint64 y0, qint64 y1) {
        if (!drawing)
            return;
        const int dx0 = scale.map(x0);
        const int dy0 = scale.map(y0);
        const int dx1 = std::min(scale.map(x1), frame.width());
        const int dy1 = std::min(scale.map(y1), frame.height());
        if (!clip) {
            invertDevice(dx0, dx1, dy0, dy1);
            return;
        }
        // An inversion undone by inverting again: each pixel exactly once.
        for (const QRect& r : *clip & QRect(dx0, dy0, dx1 - dx0, dy1 - dy0))
            invertDevice(r.left(), r.right() + 1, r.top(), r.bottom() + 1);
    };

    const qint64 u = U;
    const qint64 v = V;
    auto onBoard = [&](const TViewRect& r) { return r.Left < W && r.Top < H && r.Right > 0 && r.Bottom > 0; };
    // A text's ink may stray a little outside its cell (overhangs, accents),
    // never by a whole line height.
    auto textReaches = [&](qint64 x, qint64 y, QSize e) {
        const qint64 margin = e.height();
        return x - margin < W && y - margin < H && x + e.width() + margin > 0 && y + e.height() + margin > 0;
    };
    // Whether a text that reaches the board is drawn in this pass.
    auto textDrawn = [&](qint64 x, qint64 y, QSize e) {
        if (!drawing)
            return false;
        if (!clip)
            return true;
        const qint64 margin = e.height();
        return inClip(QRect(QPoint(scale.map(x - margin), scale.map(y - margin)),
                            QPoint(scale.map(x + e.width() + margin), scale.map(y + e.height() + margin))));
    };
    // A caller's two lines: their texts, the size they are fitted to (from
    // `size`, that of the call before, which then becomes this one's) and
    // where they go.
    auto layCaller = [&](TCaller* caller, const TViewRect& rect, qint64 t, qint64 r, int& size, bool& restHidden) {
        CallerLines l;
        l.caller = caller;
        l.hidden = true;
        if (restHidden)
            return l;
        // Below the board in landscape, the calls that follow lie lower
        // still and their line heights are bounded (a fitted line is at
        // most half a box high, an unfitted one keeps the size so far),
        // so from a box whose texts cannot reach up onto the board on
        // that bound, none of the rest can.
        if (landscape && rect.Top >= H) {
            const qint64 bound = std::max<qint64>(tools.extent(face, size, caller->CallerName).height(), V / 2);
            if ((v + 1) * (t + 1) + V / 2 - 3 * bound >= H) {
                restHidden = true;
                return l;
            }
        }
        l.hidden = false;

        const QString time = ShortTimeText(caller->CallTimeStamp, timeFormatNow);
        QString L1;
        QString L2;
        QString F;
        if (caller->CallComingLopnr <= 0 && showWaiting) {
            // The wait makes the second line the longer one as often
            // as not: the wider of the two is fitted, as for a
            // confirmed call.
            L1 = settings.FCallPrefix + caller->CallerName;
            L2 = WaitingLine(time, WaitingMinutes(caller->CallTimeStamp, now));
            F = tools.extent(face, size, L1).width() > tools.extent(face, size, L2).width() ? L1 : L2;
        } else if (caller->CallComingLopnr <= 0) {
            L1 = settings.FCallPrefix + caller->CallerName;
            L2 = time;
            F = L1;
        } else {
            L1 = settings.FCallPrefix + caller->CallerName + QLatin1Char(' ') + time;
            L2 = settings.FConfirmPrefix + caller->CallComingName + QLatin1Char(' ')
               + ShortTimeText(caller->CallComingTimeStamp, timeFormatNow);
            F = tools.extent(face, size, L1).width() > tools.extent(face, size, L2).width() ? L1 : L2;
        }
        size = tools.fit(face, size, QSize(U, V / 2), F);
        const int w = tools.extent(face, size, F).width();
        // A line's height is the font's, whatever the text: nothing to shape.
        const int h = tools.extent(face, size, QString()).height();

        const bool boxShows = onBoard(rect);
        l.size = size;
        l.x = landscape ? u * r + (U / 2 - w / 2) : (u + 1) * (t + 1) + (U / 2 - w / 2);
        const qint64 b = landscape ? (v + 1) * (t + 1) : v * r;
        const qint64 m = V / 2 - h / 2;
        const qint64 y1 = b + m - h / 2;
        const qint64 y2 = b + m + h / 2;
        l.line[0] = {L1, y1, boxShows || textReaches(l.x, y1, tools.extent(face, size, L1)), {}};
        l.line[1] = {L2, y2, boxShows || textReaches(l.x, y2, tools.extent(face, size, L2)), {}};
        return l;
    };
    for (std::size_t ri = 0; ri < list.size(); ++ri) {
        TCallObject* call = list[ri].get();
        if (!call)
            continue;
        const qint64 r = qint64(ri);

        // Header rectangle and the separator along its far side.
        const TViewRect header = landscape ? makeRect(u * r + 1, 0, u * (r + 1), v) : makeRect(0, v * r + 1, u, v * (r + 1));
        call->ViewRect = header;
        // Boxes and texts past the board's edge are laid out like the others
        // (their rectangles, and the font size that the next call starts
        // from) but drawn only where they can reach the board: a text that
        // fits at no size keeps its larger size and spills out of its box.
        if (landscape) {
            const qint64 x = u * (r + 1);
            if (x >= 0 && x < W && v < H)
                invert(x, x + 1, std::max<qint64>(v, 0), H);
        } else {
            const qint64 y = v * (r + 1);
            if (y >= 0 && y < H && u < W)
                invert(std::max<qint64>(u, 0), W, y, y + 1);
        }
        if (onBoard(header))
            drawBox(header, call->CallColour, kWhite, shaded);
        if (drawing) {
            const QSize e = tools.extent(face, hs, call->CallName);
            const qint64 x = landscape ? u * r + (U / 2 - e.width() / 2) : U / 2 - e.width() / 2;
            const qint64 y = landscape ? V / 2 - e.height() / 2 : v * r + (V / 2 - e.height() / 2);
            if (textReaches(x, y, e) && textDrawn(x, y, e)) {
                p.setFont(BoardFont(face, hs, scale.ratio));
                p.setPen(ToQColor(ContrastColor(call->CallColour)));
                TextOutTopLeft(p, scale.map(x), scale.map(y), call->CallName);
            }
        }

        int size = hs;
        bool restHidden = false;
        for (std::size_t ti = 0; ti < call->CurrentCallList.size(); ++ti) {
            TCaller* caller = call->CurrentCallList[ti].get();
            if (!caller)
                continue;
            const qint64 t = qint64(ti);
            const TViewRect rect = landscape ? makeRect(u * r + 1, (v + 1) * (t + 1) - 1, u * (r + 1), (v + 1) * (t + 2))
                                             : makeRect((u + 1) * (t + 1), v * r + 1, (u + 1) * (t + 2), v * (r + 1));
            caller->ViewRect = rect;
            CallerLines laid;
            if (replay) {
                if (replayed >= replay->size())
                    throw std::logic_error("The call list changed since it was laid out");
            } else {
                laid = layCaller(caller, rect, t, r, size, restHidden);
                if (record)
                    record->push_back(laid);
            }
            CallerLines& l = replay ? (*replay)[replayed++] : laid;
            if (l.hidden)
                continue;

            if (onBoard(rect))
                drawBox(rect, caller->CallerColour, kBlack, shaded);
            std::array<bool, 2> draw{};
            for (std::size_t k = 0; k < draw.size(); ++k)
                draw[k] = l.line[k].shown && drawing && (!clip || clip->intersects(inkOf(l, l.line[k])));
            if (!draw[0] && !draw[1])
                continue;
            p.setFont(BoardFont(face, l.size, scale.ratio));
            p.setPen(ToQColor(ContrastColor(caller->CallerColour)));
            for (std::size_t k = 0; k < draw.size(); ++k) {
                if (draw[k])
                    TextOutTopLeft(p, scale.map(l.x), scale.map(l.line[k].y), l.line[k].text);
            }
        }
    }
}

CallBoard::Private::Headers CallBoard::Private::measureHeaders(const TCallList& list, int n, Tools& tools)
{
    const QString& face = settings.TESKShowFontName;
    // The widest name (first on equal widths) sets the header's
    // proportions, and the header font makes it fill the box.
    QString N;
    int nw = -1;
    int nh = 0;
    for (const auto& call : list) {
        if (!call)
            continue;
        const QSize e = tools.extent(face, kHeaderStartSize, call->CallName);
        if (e.width() > nw) {
            nw = e.width();
            N = call->CallName;
        }
        nh = std::max(nh, e.height());
    }
    if (nw <= 0 || nh <= 0)
        throw std::runtime_error("Division by zero");
    Headers h;
    if (settings.TESKShowMode == 0) {
        h.U = size.width() / n;
        h.V = truncQuotient(h.U, double(nw) / double(nh));
    } else {
        h.V = size.height() / n;
        h.U = truncQuotient(h.V, double(nh) / double(nw));
    }
    h.size = tools.fit(face, kHeaderStartSize, QSize(h.U, h.V), N);
    return h;
}

CallBoard::CallBoard() : d(std::make_unique<Private>()) {}
CallBoard::~CallBoard() = default;

void CallBoard::setSettings(const BoardSettings& settings)
{
    d->settings = settings;
    d->linesValid = false;
}
const BoardSettings& CallBoard::settings() const { return d->settings; }
void CallBoard::setKliniknamn(const QString& name)
{
    d->kliniknamn = name;
    d->linesValid = false;
}
QString CallBoard::kliniknamn() const { return d->kliniknamn; }
void CallBoard::setBackgroundPicture(const QImage& picture)
{
    d->bt2 = picture;
    d->linesValid = false;
}
void CallBoard::resize(const QSize& size)
{
    d->size = size.isValid() ? size : QSize();
    d->linesValid = false;
    d->ensureFrame();
}
QSize CallBoard::size() const { return d->size; }
void CallBoard::setDevicePixelRatio(qreal ratio)
{
    // A ratio from a screen is positive and finite; anything else draws at
    // board pixels.
    d->scale.ratio = (std::isfinite(ratio) && ratio > 0 && ratio <= 16) ? ratio : 1.0;
    d->linesValid = false;
    d->ensureFrame();
}
qreal CallBoard::devicePixelRatio() const { return d->scale.ratio; }
void CallBoard::setWaitingTime(bool show, TDateTime now)
{
    if (show != d->showWaiting)
        d->linesValid = false;
    d->showWaiting = show;
    d->now = now;
}
bool CallBoard::showsWaitingTime() const { return d->showWaiting; }
void CallBoard::setLongTimeFormat(const QString& format)
{
    d->timeFormat = format;
    d->linesValid = false;
}
QString CallBoard::longTimeFormat() const
{
    return d->timeFormat.isEmpty() ? LongTimeFormatWithoutZone(QLocale()) : d->timeFormat;
}

void CallBoard::PaintBox1Paint(TCallList& callList, Path path) { d->paint(callList, path == Path::Cached); }

std::optional<QRegion> CallBoard::refreshWaitingTimes(TCallList& callList, TDateTime now)
{
    return d->refresh(callList, now);
}

const QImage& CallBoard::image() const { return d->frame; }

void CallBoard::clearCaches()
{
    d->fitter.clear();
    d->sprites.clear();
    d->bt = QImage();
    d->btPicture = 0;
    d->btShown = false;
    d->clean = QImage();
    d->markValid = false;
    d->linesValid = false;
}

} // namespace tesk
