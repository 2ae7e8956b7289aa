#include "protocol/DateTimeValue.h"

#include "common/TextHelpers.h"

#include <cmath>

namespace tesk {
namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
} // namespace

TDateTime ToDateTimeValue(const QDateTime& dt)
{
    const qint64 days = kEpoch.daysTo(dt.date());
    const double fraction = dt.time().msecsSinceStartOfDay() / kMsPerDay;
    // Before the epoch the platform's value keeps the time as a positive
    // fraction behind a negative day count.
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime FromDateTimeValue(TDateTime value)
{
    const double days = std::trunc(value);
    const double fraction = std::fabs(value - days);
    const QDate date = kEpoch.addDays(static_cast<qint64>(days));
    const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(std::llround(fraction * kMsPerDay)) % 86400000);
    return QDateTime(date, time);
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
    return ToDateTimeValue(QDateTime(date, time));
}

} // namespace tesk
