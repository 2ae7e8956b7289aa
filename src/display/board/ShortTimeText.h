#pragma once

#include "protocol/Records.h"

#include <QLocale>
#include <QString>

namespace tesk {

// The locale's long time format with the time zone taken out ("HH:mm:ss" in
// Swedish): a time with seconds, as the board shows it.
QString LongTimeFormatWithoutZone(const QLocale& locale);

// The time of day of t in the long time format; a text of exactly 8
// characters is cut to its first 5 (hours and minutes: 07:05:59 -> 07:05).
QString ShortTimeText(TDateTime t, const QString& longTimeFormat);
QString ShortTimeText(TDateTime t);

} // namespace tesk
