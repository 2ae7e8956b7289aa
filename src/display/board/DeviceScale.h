#pragma once

#include "protocol/Records.h"

#include <QRect>
#include <QSize>
#include <QtGlobal>

namespace tesk {

// Board pixels onto the device pixels of a scaled screen. Board pixel x
// covers device pixels [map(x), map(x + 1)): every board pixel gets a whole
// number of device pixels and neighbours neither overlap nor leave a gap,
// so a one-pixel line or gap of the layout stays one solid band at any
// ratio. At ratio 1 the mapping is the identity.
struct DeviceScale {
    qreal ratio = 1.0;

    bool identity() const { return ratio == 1.0; }
    int map(qint64 x) const;
    QSize map(const QSize& size) const;
    // The device pixels of a board rectangle (right and bottom exclusive).
    QRect map(const TViewRect& rect) const;
};

} // namespace tesk
