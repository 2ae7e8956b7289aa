#include "display/board/BlendBitmaps.h"

#include <QImage>

#include <array>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace tesk {
namespace {

void check(const QImage& dest, const QImage& src, int percent)
{
    if (dest.size() != src.size() || dest.depth() != 32 || src.depth() != 32)
        throw std::invalid_argument("BlendBitmaps: images differ in size or depth");
    if (percent < 0 || percent > 100)
        throw std::invalid_argument("BlendBitmaps: percent out of range");
}

// table[d * 256 + s] = (d * (100 - p) + s * p) / 100
const std::vector<quint8>& blendTable(int percent)
{
    static std::array<std::vector<quint8>, 101> tables;
    std::vector<quint8>& t = tables[percent];
    if (t.empty()) {
        t.resize(256 * 256);
        for (int d = 0; d < 256; ++d)
            for (int s = 0; s < 256; ++s)
                t[d * 256 + s] = quint8((d * (100 - percent) + s * percent) / 100);
    }
    return t;
}

} // namespace

void BlendBitmaps(QImage& dest, const QImage& src, int percent)
{
    check(dest, src, percent);
    const int keep = 100 - percent;
    for (int y = 0; y < dest.height(); ++y) {
        auto* o = reinterpret_cast<QRgb*>(dest.scanLine(y));
        const auto* k = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < dest.width(); ++x) {
            const QRgb a = o[x];
            const QRgb b = k[x];
            const int r = (qRed(a) * keep + qRed(b) * percent) / 100;
            const int g = (qGreen(a) * keep + qGreen(b) * percent) / 100;
            const int bl = (qBlue(a) * keep + qBlue(b) * percent) / 100;
            o[x] = (a & 0xFF000000u) | (QRgb(r) << 16) | (QRgb(g) << 8) | QRgb(bl);
        }
    }
}

void BlendBitmapsFast(QImage& dest, const QImage& src, int percent, const QRect& area)
{
    check(dest, src, percent);
    const QRect r = area & dest.rect();
    if (r.isEmpty())
        return;
    const quint8* t = blendTable(percent).data();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* o = reinterpret_cast<QRgb*>(dest.scanLine(y));
        const auto* k = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            // Most of the area is the picture untouched: whole stretches
            // that are the same to the byte are passed over at once.
            constexpr int stretch = 16;
            if ((x - r.left()) % stretch == 0 && x + stretch <= r.right() + 1
                && std::memcmp(o + x, k + x, stretch * sizeof(QRgb)) == 0) {
                x += stretch - 1;
                continue;
            }
            const QRgb a = o[x];
            const QRgb b = k[x];
            if (((a ^ b) & 0x00FFFFFFu) == 0)
                continue;
            o[x] = (a & 0xFF000000u) | (QRgb(t[qRed(a) * 256 + qRed(b)]) << 16)
                 | (QRgb(t[qGreen(a) * 256 + qGreen(b)]) << 8) | QRgb(t[qBlue(a) * 256 + qBlue(b)]);
        }
    }
}

} // namespace tesk
