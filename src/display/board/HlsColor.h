#pragma once

#include "protocol/Records.h"

#include <QColor>

namespace tesk {

// Hue, luminance and saturation on the 0-240 scale of the classic integer
// conversion (a grey has hue 160 and saturation 0).
struct Hls {
    int H = 0;
    int L = 0;
    int S = 0;
    bool operator==(const Hls&) const = default;
};

inline constexpr int HLSMAX = 240;
inline constexpr int RGBMAX = 255;
inline constexpr int HLS_UNDEFINED_HUE = HLSMAX * 2 / 3;

Hls RGBtoHLS(TColor colour);
TColor HLStoRGB(int hue, int lum, int sat);

// 255 for every channel of 128 or less, 0 above: bright text on dark
// channels and dark text on bright ones.
TColor ContrastColor(TColor colour);

// 0x00BBGGRR to QColor and back.
QColor ToQColor(TColor colour);
TColor FromRgb(int r, int g, int b);

} // namespace tesk
