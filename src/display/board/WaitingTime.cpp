#include "display/board/WaitingTime.h"

#include "display/board/HlsColor.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace tesk {

namespace {
constexpr double kMinutesPerDay = 1440.0;
// A time stored as days carries rounding of about a microsecond; a call
// exactly a minute old must count as a whole minute.
constexpr double kSlack = 1e-6;

// Below this difference (channels weighted by how bright they look, 0-255)
// a frame is hard to make out on its box from across a room: white on
// yellow or light grey, black on navy.
constexpr int kMinFrameDifference = 96;

int channel(TColor c, int shift) { return int((c >> shift) & 0xFF); }
} // namespace

int WaitingMinutes(TDateTime callTime, TDateTime now)
{
    const double minutes = std::floor((now - callTime) * kMinutesPerDay + kSlack);
    if (!(minutes > 0))
        return 0;
    return minutes >= double(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max() : int(minutes);
}

bool WaitedLongerThan(TDateTime callTime, TDateTime now, int limitMinutes)
{
    if (limitMinutes <= 0)
        return false;
    return (now - callTime) * kMinutesPerDay > double(limitMinutes) + kSlack;
}

TColor EscalationFrameColour(TColor resourceColour, TColor boxColour)
{
    const TColor frame = ContrastColor(resourceColour);
    const int difference = (299 * std::abs(channel(frame, 0) - channel(boxColour, 0))
                            + 587 * std::abs(channel(frame, 8) - channel(boxColour, 8))
                            + 114 * std::abs(channel(frame, 16) - channel(boxColour, 16)))
        / 1000;
    return difference < kMinFrameDifference ? ContrastColor(boxColour) : frame;
}

QString WaitingLine(const QString& shortTime, int minutes)
{
    return shortTime + QStringLiteral(" \u00B7 ") + QString::number(minutes) + QStringLiteral(" min");
}

} // namespace tesk
