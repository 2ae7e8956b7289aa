#include "display/connection/CallListModel.h"

#include <algorithm>
#include <utility>

namespace tesk {

CallListModel::CallListModel(QObject* parent)
    : QObject(parent)
{
}

int CallListModel::callerCount() const
{
    int n = 0;
    for (const auto& call : CallList)
        n += static_cast<int>(call->CurrentCallList.size());
    return n;
}

void CallListModel::replaceCallList(ParsedCallList parsed)
{
    std::stable_sort(parsed.CallList.begin(), parsed.CallList.end(),
                     [](const auto& a, const auto& b) { return a->CallIX < b->CallIX; });
    Q_EMIT aboutToRebuild();
    // Swap first, destroy afterwards: whoever is told "rebuilt" never sees
    // a half-destroyed list.
    TCallList old = std::exchange(CallList, std::move(parsed.CallList));
    BalloonText = std::move(parsed.BalloonText);
    ++m_generation;
    old.clear();
    Q_EMIT rebuilt(m_generation);
}

TCallObject* CallListModel::findCall(int callLopnr) const
{
    for (const auto& call : CallList) {
        if (call->CallLopnr == callLopnr)
            return call.get();
    }
    return nullptr;
}

TCaller* CallListModel::findCaller(int callLopnr, int callerLopnr, TCallObject** callOut) const
{
    for (const auto& call : CallList) {
        if (call->CallLopnr != callLopnr)
            continue;
        for (const auto& caller : call->CurrentCallList) {
            if (caller->CallerLopnr == callerLopnr) {
                if (callOut)
                    *callOut = call.get();
                return caller.get();
            }
        }
    }
    return nullptr;
}

} // namespace tesk
