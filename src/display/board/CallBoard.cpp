#include "display/board/CallBoard.h"

#include "display/board/BlendBitmaps.h"
#include "display/board/BoardText.h"
#include "display/board/DeviceScale.h"
#include "display/board/FontFitter.h"
#include "display/board/HlsColor.h"
#include "display/board/RoundBox.h"
#include "display/board/ShortTimeText.h"
#include "display/board/WaitingTime.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
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

    // Cached path: the picture scaled to the board, and that with the
    // watermark, each remade only when what it shows changes.
    QImage bt;
    qint64 btPicture = 0;
    QImage marked;
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

    void ensureFrame();
    // The background under everything: the scaled picture, or black.
    const QImage* cachedBackground();
    const QImage& cachedWatermarked(const QImage* background);
    void paint(TCallList& list, bool cached);
    void drawBoxes(QPainter& p, TCallList& list, int n, Tools& tools);
};

void CallBoard::Private::ensureFrame()
{
    const QSize ds = deviceSize();
    if (frame.size() != ds || frame.format() != QImage::Format_RGB32)
        frame = ds.isEmpty() ? QImage() : QImage(ds, QImage::Format_RGB32);
    frame.setDevicePixelRatio(scale.ratio);
}

const QImage* CallBoard::Private::cachedBackground()
{
    if (bt2.isNull()) {
        bt = QImage();
        btPicture = 0;
        return nullptr;
    }
    const QSize ds = deviceSize();
    if (bt.isNull() || bt.size() != ds || btPicture != bt2.cacheKey()) {
        bt = bt2.scaled(ds, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
        btPicture = bt2.cacheKey();
    }
    return &bt;
}

const QImage& CallBoard::Private::cachedWatermarked(const QImage* background)
{
    const int mode = settings.TESKShowMode;
    MarkKey key{background ? bt2.cacheKey() : 0, size, kliniknamn, settings.TESKShowFontName, mode, scale.ratio};
    if (markValid && key == markKey)
        return marked;
    markValid = false;

    // The name is blended with what lies under it; only where its ink can
    // be do the two differ, so only there is the (board-sized) blend done.
    QImage black;
    if (!background) {
        black = QImage(deviceSize(), QImage::Format_RGB32);
        black.fill(QColor(Qt::black));
    }
    const QImage& under = background ? *background : black;
    const QString& face = settings.TESKShowFontName;
    const int fs = fitter.fit(face, kWatermarkStartSize, watermarkBox(mode, size.width(), size.height()), kliniknamn);
    const QSize e = fitter.extent(face, fs, kliniknamn);
    marked = under.copy();
    drawWatermarkName(marked, size.width(), size.height(), scale, mode, face, fs, kliniknamn, e.width(), e.height());
    BlendBitmapsFast(marked, under, kWatermarkPercent,
                     watermarkInk(mode, size.width(), size.height(), scale, e.width(), e.height()));
    markKey = key;
    markValid = true;
    return marked;
}

void CallBoard::Private::paint(TCallList& list, bool cached)
{
    ensureFrame();
    if (frame.isNull())
        return;
    frame.setDevicePixelRatio(1.0);
    struct RatioWhenDone {
        QImage& frame;
        qreal ratio;
        ~RatioWhenDone() { frame.setDevicePixelRatio(ratio); }
    } ratioWhenDone{frame, scale.ratio};

    const int W = size.width();
    const int H = size.height();
    const int mode = settings.TESKShowMode;

    // 1. Slot count.
    int n = 0;
    for (const auto& call : list) {
        if (call && (settings.ShowingAlwaysShowAll || !call->CurrentCallList.empty()))
            ++n;
    }
    const bool boxes = n > 0 && (mode == 0 || mode == 1);

    LiteralTools literal;
    CachedTools fast(fitter, sprites);
    Tools& tools = cached ? static_cast<Tools&>(fast) : static_cast<Tools&>(literal);

    if (cached) {
        // 2-4 from the kept layers.
        const QImage* background = cachedBackground();
        const QImage* layer = background;
        if (boxes)
            layer = &cachedWatermarked(background);
        if (layer)
            std::memcpy(frame.bits(), layer->constBits(), size_t(frame.sizeInBytes()));
        else
            frame.fill(QColor(Qt::black));
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
    if (!boxes)
        return;

    QPainter p(&frame);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    drawBoxes(p, list, n, tools);
}

void CallBoard::Private::drawBoxes(QPainter& p, TCallList& list, int n, Tools& tools)
{
    auto drawBox = [&](const TViewRect& rect, TColor fill, TColor pen, bool shaded) {
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

    // Header geometry: the widest name (first on equal widths) sets the
    // header's proportions, and the header font makes it fill the box.
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
    int U = 0;
    int V = 0;
    if (landscape) {
        U = W / n;
        V = truncQuotient(U, double(nw) / double(nh));
    } else {
        V = H / n;
        U = truncQuotient(V, double(nh) / double(nw));
    }
    const int hs = tools.fit(face, kHeaderStartSize, QSize(U, V), N);

    uchar* const bits = frame.bits();
    const qsizetype stride = frame.bytesPerLine();
    // Inverts the device pixels of board columns [x0, x1) and rows [y0, y1);
    // the caller keeps them on the board.
    auto invert = [&](qint64 x0, qint64 x1, qint64 y0, qint64 y1) {
        const int dx1 = std::min(scale.map(x1), frame.width());
        const int dy1 = std::min(scale.map(y1), frame.height());
        for (int y = scale.map(y0); y < dy1; ++y) {
            auto* row = reinterpret_cast<QRgb*>(bits + y * stride);
            for (int x = scale.map(x0); x < dx1; ++x)
                row[x] ^= 0x00FFFFFFu;
        }
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
        {
            const QSize e = tools.extent(face, hs, call->CallName);
            const qint64 x = landscape ? u * r + (U / 2 - e.width() / 2) : U / 2 - e.width() / 2;
            const qint64 y = landscape ? V / 2 - e.height() / 2 : v * r + (V / 2 - e.height() / 2);
            if (textReaches(x, y, e)) {
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
            if (restHidden)
                continue;
            // Below the board in landscape, the calls that follow lie lower
            // still and their line heights are bounded (a fitted line is at
            // most half a box high, an unfitted one keeps the size so far),
            // so from a box whose texts cannot reach up onto the board on
            // that bound, none of the rest can.
            if (landscape && rect.Top >= H) {
                const qint64 bound = std::max<qint64>(tools.extent(face, size, caller->CallerName).height(), V / 2);
                if ((v + 1) * (t + 1) + V / 2 - 3 * bound >= H) {
                    restHidden = true;
                    continue;
                }
            }

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
            const int h = tools.extent(face, size, caller->CallerName).height();

            const bool boxShows = onBoard(rect);
            if (boxShows)
                drawBox(rect, caller->CallerColour, kBlack, shaded);
            const qint64 x = landscape ? u * r + (U / 2 - w / 2) : (u + 1) * (t + 1) + (U / 2 - w / 2);
            const qint64 b = landscape ? (v + 1) * (t + 1) : v * r;
            const qint64 m = V / 2 - h / 2;
            const qint64 y1 = b + m - h / 2;
            const qint64 y2 = b + m + h / 2;
            const bool line1 = boxShows || textReaches(x, y1, tools.extent(face, size, L1));
            const bool line2 = boxShows || textReaches(x, y2, tools.extent(face, size, L2));
            if (!line1 && !line2)
                continue;
            p.setFont(BoardFont(face, size, scale.ratio));
            p.setPen(ToQColor(ContrastColor(caller->CallerColour)));
            if (line1)
                TextOutTopLeft(p, scale.map(x), scale.map(y1), L1);
            if (line2)
                TextOutTopLeft(p, scale.map(x), scale.map(y2), L2);
        }
    }
}

CallBoard::CallBoard() : d(std::make_unique<Private>()) {}
CallBoard::~CallBoard() = default;

void CallBoard::setSettings(const BoardSettings& settings) { d->settings = settings; }
const BoardSettings& CallBoard::settings() const { return d->settings; }
void CallBoard::setKliniknamn(const QString& name) { d->kliniknamn = name; }
QString CallBoard::kliniknamn() const { return d->kliniknamn; }
void CallBoard::setBackgroundPicture(const QImage& picture) { d->bt2 = picture; }
void CallBoard::resize(const QSize& size)
{
    d->size = size.isValid() ? size : QSize();
    d->ensureFrame();
}
QSize CallBoard::size() const { return d->size; }
void CallBoard::setDevicePixelRatio(qreal ratio)
{
    // A ratio from a screen is positive and finite; anything else draws at
    // board pixels.
    d->scale.ratio = (std::isfinite(ratio) && ratio > 0 && ratio <= 16) ? ratio : 1.0;
    d->ensureFrame();
}
qreal CallBoard::devicePixelRatio() const { return d->scale.ratio; }
void CallBoard::setWaitingTime(bool show, TDateTime now)
{
    d->showWaiting = show;
    d->now = now;
}
bool CallBoard::showsWaitingTime() const { return d->showWaiting; }
void CallBoard::setLongTimeFormat(const QString& format) { d->timeFormat = format; }
QString CallBoard::longTimeFormat() const
{
    return d->timeFormat.isEmpty() ? LongTimeFormatWithoutZone(QLocale()) : d->timeFormat;
}

void CallBoard::PaintBox1Paint(TCallList& callList, Path path) { d->paint(callList, path == Path::Cached); }

const QImage& CallBoard::image() const { return d->frame; }

void CallBoard::clearCaches()
{
    d->fitter.clear();
    d->sprites.clear();
    d->bt = QImage();
    d->btPicture = 0;
    d->marked = QImage();
    d->markValid = false;
}

} // namespace tesk
