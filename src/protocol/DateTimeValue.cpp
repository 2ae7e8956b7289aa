#include "protocol/DateTimeValue.h"

#include "common/TextHelpers.h"

#include <cmath>

namespace tesk {
namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
// Far beyond any date the wire carries, well inside what QDate holds.
constexpr double kMaxDays = 3.0e6;

// Before the epoch the platform's value keeps the time as a positive
// fraction behind a negative day count.
TDateTime fromParts(const QDate& date, const QTime& time)
{
    const qint64 days = kEpoch.daysTo(date);
    const double fraction = time.msecsSinceStartOfDay() / kMsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

} // namespace

TDateTime ToDateTimeValue(const QDateTime& dt)
{
    return fromParts(dt.date(), dt.time());
}

QDateTime FromDateTimeValue(TDateTime value)
{
    // A value no date can hold (from a corrupt setting) reads as not set.
    if (!std::isfinite(value) || std::fabs(value) > kMaxDays)
        value = 0;
    const double days = std::trunc(value);
    const double fraction = std::fabs(value - days);
    QDate date = kEpoch.addDays(static_cast<qint64>(days));
    qint64 ms = std::llround(fraction * kMsPerDay);
    // A fraction a hair below one day rounds up to midnight of the next day.
    if (ms >= 86400000) {
        ms -= 86400000;
        date = date.addDays(1);
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}

TDateTime ParseWireDateTime(const QString& text)
{
    const QString t = TrimBlank(text);
    if (t.isEmpty())
        return 0;
    const qsizetype space = t.indexOf(QLatin1Char(' '));
    const QString datePart = space < 0 ? t : t.left(space);
    const QString timePart = space < 0 ? QString() : TrimBlank(t.mid(space + 1));
    const QDate date = QDate::fromString(datePart, QStringLiteral("yyyy-M-d"));
    if (!date.isValid())
        return 0;
    QTime time(0, 0);
    if (!timePart.isEmpty()) {
        time = QTime::fromString(timePart, QStringLiteral("H:m:s"));
        if (!time.isValid())
            time = QTime::fromString(timePart, QStringLiteral("H:m"));
        if (!time.isValid())
            return 0;
    }
    // Straight from the parts: a wall-clock time that a daylight-saving
    // change skips is still the time the server wrote.
    return fromParts(date, time);
}

} // namespace tesk
