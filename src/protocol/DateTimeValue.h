#pragma once

#include "protocol/Records.h"

#include <QDateTime>
#include <QString>

namespace tesk {

// Wire form "yyyy-MM-dd HH:mm:ss" (a date alone is midnight); anything that
// does not parse gives 0, the zero date-time 1899-12-30 00:00:00.
TDateTime ParseWireDateTime(const QString& text);

// Local wall-clock time as the platform's date-time value, and back.
TDateTime ToDateTimeValue(const QDateTime& dt);
QDateTime FromDateTimeValue(TDateTime value);

} // namespace tesk
