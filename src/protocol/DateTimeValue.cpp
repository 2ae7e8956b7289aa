#include "protocol/DateTimeValue.h"

#include "common/TextHelpers.h"

#include <cmath>
#include <optional>

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

// Reads 1..maxDigits decimal digits at pos; -1 when there are none or more.
int readNumber(QStringView t, qsizetype& pos, int maxDigits)
{
    int value = 0;
    int digits = 0;
    while (pos < t.size() && t[pos] >= QLatin1Char('0') && t[pos] <= QLatin1Char('9')) {
        if (++digits > maxDigits)
            return -1;
        value = value * 10 + (t[pos].unicode() - '0');
        ++pos;
    }
    return digits == 0 ? -1 : value;
}

bool expect(QStringView t, qsizetype& pos, char c)
{
    if (pos >= t.size() || t[pos] != QLatin1Char(c))
        return false;
    ++pos;
    return true;
}

// The form every server writes, "yyyy-M-d H:m:s" (or a date alone, or
// hours and minutes), read by hand: a call list carries two date-times per
// caller, and the format-string parser dominated the whole list's parse.
// Anything else returns nullopt and takes the general path.
std::optional<TDateTime> parseCommonForm(QStringView t)
{
    qsizetype pos = 0;
    const qsizetype yearStart = pos;
    const int year = readNumber(t, pos, 4);
    if (year < 0 || pos - yearStart != 4 || !expect(t, pos, '-'))
        return std::nullopt;
    const int month = readNumber(t, pos, 2);
    if (month < 0 || !expect(t, pos, '-'))
        return std::nullopt;
    const int day = readNumber(t, pos, 2);
    if (day < 0)
        return std::nullopt;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (pos < t.size()) {
        if (!expect(t, pos, ' '))
            return std::nullopt;
        hour = readNumber(t, pos, 2);
        if (hour < 0 || !expect(t, pos, ':'))
            return std::nullopt;
        minute = readNumber(t, pos, 2);
        if (minute < 0)
            return std::nullopt;
        if (pos < t.size()) {
            if (!expect(t, pos, ':'))
                return std::nullopt;
            second = readNumber(t, pos, 2);
            if (second < 0)
                return std::nullopt;
        }
        if (pos != t.size())
            return std::nullopt;
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return TDateTime(0);
    return fromParts(date, time);
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
    if (const std::optional<TDateTime> common = parseCommonForm(t))
        return *common;
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
