#include "display/board/HlsColor.h"

#include <algorithm>

namespace tesk {
namespace {

int red(TColor c) { return int(c & 0xFF); }
int green(TColor c) { return int((c >> 8) & 0xFF); }
int blue(TColor c) { return int((c >> 16) & 0xFF); }

int HueToRGB(int n1, int n2, int hue)
{
    if (hue < 0)
        hue += HLSMAX;
    if (hue > HLSMAX)
        hue -= HLSMAX;
    if (hue < HLSMAX / 6)
        return n1 + (((n2 - n1) * hue + HLSMAX / 12) / (HLSMAX / 6));
    if (hue < HLSMAX / 2)
        return n2;
    if (hue < (HLSMAX * 2) / 3)
        return n1 + (((n2 - n1) * (((HLSMAX * 2) / 3) - hue) + HLSMAX / 12) / (HLSMAX / 6));
    return n1;
}

int toByte(int v) { return std::clamp(v, 0, RGBMAX); }

} // namespace

TColor FromRgb(int r, int g, int b)
{
    return TColor(toByte(r)) | (TColor(toByte(g)) << 8) | (TColor(toByte(b)) << 16);
}

QColor ToQColor(TColor colour) { return QColor(red(colour), green(colour), blue(colour)); }

Hls RGBtoHLS(TColor colour)
{
    const int R = red(colour);
    const int G = green(colour);
    const int B = blue(colour);
    const int cMax = std::max({R, G, B});
    const int cMin = std::min({R, G, B});

    Hls out;
    out.L = ((cMax + cMin) * HLSMAX + RGBMAX) / (2 * RGBMAX);
    if (cMax == cMin) {
        out.S = 0;
        out.H = HLS_UNDEFINED_HUE;
        return out;
    }
    const int span = cMax - cMin;
    if (out.L <= HLSMAX / 2)
        out.S = (span * HLSMAX + (cMax + cMin) / 2) / (cMax + cMin);
    else
        out.S = (span * HLSMAX + (2 * RGBMAX - cMax - cMin) / 2) / (2 * RGBMAX - cMax - cMin);

    const int Rdelta = ((cMax - R) * (HLSMAX / 6) + span / 2) / span;
    const int Gdelta = ((cMax - G) * (HLSMAX / 6) + span / 2) / span;
    const int Bdelta = ((cMax - B) * (HLSMAX / 6) + span / 2) / span;
    if (R == cMax)
        out.H = Bdelta - Gdelta;
    else if (G == cMax)
        out.H = HLSMAX / 3 + Rdelta - Bdelta;
    else
        out.H = (2 * HLSMAX) / 3 + Gdelta - Rdelta;
    if (out.H < 0)
        out.H += HLSMAX;
    if (out.H > HLSMAX)
        out.H -= HLSMAX;
    return out;
}

TColor HLStoRGB(int hue, int lum, int sat)
{
    if (sat == 0) {
        const int v = (lum * RGBMAX) / HLSMAX;
        return FromRgb(v, v, v);
    }
    int magic2;
    if (lum <= HLSMAX / 2)
        magic2 = (lum * (HLSMAX + sat) + HLSMAX / 2) / HLSMAX;
    else
        magic2 = lum + sat - ((lum * sat) + HLSMAX / 2) / HLSMAX;
    const int magic1 = 2 * lum - magic2;
    const int R = (HueToRGB(magic1, magic2, hue + HLSMAX / 3) * RGBMAX + HLSMAX / 2) / HLSMAX;
    const int G = (HueToRGB(magic1, magic2, hue) * RGBMAX + HLSMAX / 2) / HLSMAX;
    const int B = (HueToRGB(magic1, magic2, hue - HLSMAX / 3) * RGBMAX + HLSMAX / 2) / HLSMAX;
    return FromRgb(R, G, B);
}

TColor ContrastColor(TColor colour)
{
    auto flip = [](int v) { return v <= 128 ? 255 : 0; };
    return FromRgb(flip(red(colour)), flip(green(colour)), flip(blue(colour)));
}

} // namespace tesk
