#pragma once

#include "common/BoardSettings.h"
#include "protocol/Records.h"

#include <QImage>
#include <QRegion>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

namespace tesk {

// Draws the call board into an off-screen image: the background picture
// scaled to the board, the clinic name as a faint watermark, a header box per
// resource with its inverted separator, and a box per call with two lines.
// Every box drawn gets its rectangle written into its record's ViewRect.
//
// Two paths give the same pixels. The reference path follows the drawing
// rules literally (font sizes stepped one point at a time, the background
// rescaled, the watermark blended pixel by pixel, every shaded ring drawn).
// The cached path keeps the scaled background with its watermark, fitted
// font sizes and rendered boxes between paints; tests and the benchmark hold
// it to the reference, pixel for pixel. On a scaled screen both draw the
// boxes at device pixels (DrawScaledBox), the cached path through its
// sprites at a whole ratio.
class CallBoard {
public:
    enum class Path { Cached, Reference };

    CallBoard();
    ~CallBoard();
    CallBoard(const CallBoard&) = delete;
    CallBoard& operator=(const CallBoard&) = delete;

    void setSettings(const BoardSettings& settings);
    const BoardSettings& settings() const;
    void setKliniknamn(const QString& name);
    QString kliniknamn() const;

    // The background picture (`bt2`); a null image means none.
    void setBackgroundPicture(const QImage& picture);
    // The board's size in pixels; the buffers follow it.
    void resize(const QSize& size);
    QSize size() const;

    // Device pixels per board pixel of the screen the board is shown on.
    // Above 1 the board is composed at device resolution (image() is that
    // much larger and carries the ratio), so text and lines stay sharp on a
    // scaled screen; the layout and every ViewRect stay in board pixels.
    // At 1 nothing changes.
    void setDevicePixelRatio(qreal ratio);
    qreal devicePixelRatio() const;

    // Format of ShortTimeText; empty (the default) means the current
    // locale's long time format without its zone.
    void setLongTimeFormat(const QString& format);
    QString longTimeFormat() const;

    // Unconfirmed calls show how long they have waited at `now` on their
    // second line ("13:21 · 7 min"), which then takes part in fitting the
    // text. Off by default: the board is then exactly as without it.
    void setWaitingTime(bool show, TDateTime now);
    bool showsWaitingTime() const;

    // Composes the whole board into image(). Throws std::exception when the
    // board cannot be drawn (the image then holds what was drawn so far).
    void PaintBox1Paint(TCallList& callList, Path path = Path::Cached);
    const QImage& image() const;

    // The waiting times at `now` drawn over the last composition, which must
    // have been of this same list (records unchanged) on the cached path:
    // only the lines whose text, size or place changed are redrawn, each in
    // the few pixels its old and new ink can cover, and the image is then
    // exactly what composing the board at `now` would give. Returns those
    // pixels in board pixels (empty when no line changed), or nothing when
    // the board has to be composed again instead (no such composition, a
    // setting changed since, or the layout moved beyond the lines).
    std::optional<QRegion> refreshWaitingTimes(TCallList& callList, TDateTime now);

    // Forget every cached font size, box and background layer.
    void clearCaches();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tesk
