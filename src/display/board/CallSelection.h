#pragma once

#include "protocol/Records.h"

#include <QString>

namespace tesk {

// What the pointer is over on the board, held by value: the numbers that a
// COMING needs and the name the menu shows. Nothing here points into the
// call list, which every CURRENTLIST replaces.
struct CallSelection {
    bool hasCallObject = false; // a resource (its header or one of its calls)
    int CallLopnr = 0;
    bool hasCaller = false;     // a call box; implies hasCallObject
    int CallerLopnr = 0;
    QString CallerName;

    bool operator==(const CallSelection&) const = default;
};

// Hit test against the rectangles of the last paint: calls before their
// resource's header, earlier resources and calls first (the upper of two
// stacked boxes wins their shared row).
CallSelection HitTestBoard(const TCallList& callList, int x, int y);

// "¤COMING:<CallLopnr>:<CallerLopnr>:COMING¤"
QString ComingFrame(int callLopnr, int callerLopnr);

} // namespace tesk
