#include "display/board/CallSelection.h"

#include "protocol/Commands.h"
#include "protocol/Framing.h"

namespace tesk {

CallSelection HitTestBoard(const TCallList& callList, int x, int y)
{
    CallSelection sel;
    for (const auto& call : callList) {
        if (!call)
            continue;
        for (const auto& caller : call->CurrentCallList) {
            if (caller && caller->ViewRect.contains(x, y)) {
                sel.hasCallObject = true;
                sel.CallLopnr = call->CallLopnr;
                sel.hasCaller = true;
                sel.CallerLopnr = caller->CallerLopnr;
                sel.CallerName = caller->CallerName;
                return sel;
            }
        }
        if (call->ViewRect.contains(x, y)) {
            sel.hasCallObject = true;
            sel.CallLopnr = call->CallLopnr;
            return sel;
        }
    }
    return sel;
}

QString ComingFrame(int callLopnr, int callerLopnr)
{
    return ComposeFrame(cmd::COMING, {QString::number(callLopnr), QString::number(callerLopnr)});
}

} // namespace tesk
