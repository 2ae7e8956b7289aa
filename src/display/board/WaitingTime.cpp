#include "display/board/WaitingTime.h"

#include <cmath>
#include <limits>

namespace tesk {

namespace {
constexpr double kMinutesPerDay = 1440.0;
// A time stored as days carries rounding of about a microsecond; a call
// exactly a minute old must count as a whole minute.
constexpr double kSlack = 1e-6;
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

QString WaitingLine(const QString& shortTime, int minutes)
{
    return shortTime + QStringLiteral(" \u00B7 ") + QString::number(minutes) + QStringLiteral(" min");
}

} // namespace tesk
