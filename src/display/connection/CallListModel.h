#pragma once

#include "display/connection/CallListParser.h"
#include "protocol/Records.h"

#include <QObject>
#include <QString>

namespace tesk {

// The main window's call data: the call list, the say list, the tray balloon
// text of the last CURRENTLIST and the clinic name. The main window owns one
// instance; the dispatcher replaces the call list, the announcer reconciles
// the say list, the board draws from both.
//
// Call records live only until the next CURRENTLIST. Anything that keeps a
// pointer to a TCallObject or TCaller (the board's selection) must either
// drop it on aboutToRebuild(), or remember generation() and treat the
// pointer as gone once the generation has moved on. A settings read or a
// modal box runs a nested event loop in which a rebuild can happen, so
// re-check after every such wait; better still, keep (CallLopnr,
// CallerLopnr) and look the records up again with find().
class CallListModel : public QObject {
    Q_OBJECT
public:
    explicit CallListModel(QObject* parent = nullptr);

    TCallList CallList; // in CallIX order (stable for equal indexes)
    TSayList SayList;
    QString BalloonText; // one line per caller of the last list, in order of arrival
    QString kliniknamn;

    // Increases with every rebuild of CallList.
    quint64 generation() const { return m_generation; }

    int callerCount() const; // callers over all call objects

    // Replaces the call list as a whole with `parsed` (ordered here by
    // CallIX) and takes its balloon text. Emits aboutToRebuild() while the
    // old records still exist and rebuilt() once the new ones are in place.
    void replaceCallList(ParsedCallList parsed);

    // The records of an ongoing call, or null; valid until the next rebuild.
    TCallObject* findCall(int callLopnr) const;
    TCaller* findCaller(int callLopnr, int callerLopnr, TCallObject** call = nullptr) const;

Q_SIGNALS:
    void aboutToRebuild();
    void rebuilt(quint64 generation);

private:
    quint64 m_generation = 0;
};

} // namespace tesk
