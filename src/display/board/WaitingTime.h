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

// The colour of the blinking frame of an escalated call: the contrast colour
// of its resource (what the resource's name is written in), unless that lies
// too close to the box's own colour to be told from it; then the box's text
// colour, which differs from the box by half the scale in every channel.
TColor EscalationFrameColour(TColor resourceColour, TColor boxColour);

// The second line of an unconfirmed call with its waiting time:
// "13:21 · 7 min".
QString WaitingLine(const QString& shortTime, int minutes);

} // namespace tesk
