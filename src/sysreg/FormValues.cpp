#include "sysreg/FormValues.h"

#include "common/TextHelpers.h"

#include <QSpinBox>

#include <algorithm>

namespace tesk {

int SpinBoxValue(const QSpinBox& box)
{
    // A number typed outside the range (the box lets "0" stand while being
    // typed) is held to it, as the box itself would on leaving it.
    return std::clamp(ReadInt(box.cleanText(), box.minimum()), box.minimum(), box.maximum());
}

int SpinBoxValue(const QSpinBox& box, int empty)
{
    return std::clamp(ReadInt(box.cleanText(), empty), box.minimum(), box.maximum());
}

} // namespace tesk
