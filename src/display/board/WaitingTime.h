#pragma once

#include "protocol/Records.h"

#include <QString>

namespace tesk {

// Whole minutes a call has waited at `now`; never below 0 (a clock a little
// behind the server's must not show a negative wait).
int WaitingMinutes(TDateTime callTime, TDateTime now);

// Whether a call made at `callTime` has waited longer than `limitMinutes`
// at `now`; never with a limit of 0 or less (escalation off).
bool WaitedLongerThan(TDateTime callTime, TDateTime now, int limitMinutes);

// The second line of an unconfirmed call with its waiting time:
// "13:21 · 7 min".
QString WaitingLine(const QString& shortTime, int minutes);

} // namespace tesk
