#pragma once

#include "protocol/Records.h"

#include <QString>
#include <QStringView>

namespace tesk {

// What one CURRENTLIST payload turns into: the new call list in the order
// received (not yet ordered by CallIX), the tray balloon text with one line
// per caller in order of arrival, and the number of callers.
struct ParsedCallList {
    TCallList CallList;
    QString BalloonText;
    int CallerCount = 0;
};

// payload: the cut CURRENTLIST frame without its opening tag "¤CURRENTLIST:"
// (it may keep the ":" that begins the closing tag).
//
// A record ends at "%¤:"; a record whose first field (the call's name) is
// empty ends the list, as does a missing "%¤:". The callers are the "~"
// fields between the record's first "¤%" and first "%¤", seven per caller,
// up to the first empty name. Fields are trimmed; numbers and date-times that
// do not convert read as 0.
//
// Runs in time linear in the payload: it walks one index through the text
// and never copies the remainder.
ParsedCallList ParseCurrentList(QStringView payload);

} // namespace tesk
