#include "display/board/DeviceScale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tesk {

int DeviceScale::map(qint64 x) const
{
    const double v = identity() ? double(x) : std::round(double(x) * ratio);
    return int(std::clamp(v, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

QSize DeviceScale::map(const QSize& size) const
{
    if (identity() || !size.isValid())
        return size;
    return QSize(map(size.width()), map(size.height()));
}

QRect DeviceScale::map(const TViewRect& rect) const
{
    const int l = map(rect.Left);
    const int t = map(rect.Top);
    // QRect holds its width in an int: keep the far edge where it can.
    const qint64 w = qint64(map(rect.Right)) - l;
    const qint64 h = qint64(map(rect.Bottom)) - t;
    return QRect(l, t, int(std::min<qint64>(w, std::numeric_limits<int>::max())),
                 int(std::min<qint64>(h, std::numeric_limits<int>::max())));
}

} // namespace tesk
