#pragma once

#include <QRect>

class QImage;

namespace tesk {

// dest := (dest * (100 - percent) + src * percent) div 100 for blue, green
// and red of every pixel; the fourth byte is left alone. Both images are
// 32-bit and of one size (std::invalid_argument otherwise).
void BlendBitmaps(QImage& dest, const QImage& src, int percent);

// The same result, computed only inside `area` and only where dest and src
// differ (elsewhere the formula gives src back), through a table of every
// channel pair. Pixels outside `area` must be equal in both images.
void BlendBitmapsFast(QImage& dest, const QImage& src, int percent, const QRect& area);

} // namespace tesk
