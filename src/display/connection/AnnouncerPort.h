#pragma once

namespace tesk {

// What the dispatcher asks of the announcer after every CURRENTLIST. Both
// read the call list, the say list and the balloon text afresh from the
// CallListModel; they get no records handed over.
class AnnouncerPort {
public:
    virtual ~AnnouncerPort() = default;

    // Drops the said calls whose (CallLopnr, CallerLopnr) pair is gone and
    // adds the new pairs.
    virtual void SyncSayList() = 0;
    // Once per CURRENTLIST, empty or not: callers in the new list and in the
    // list it replaced.
    virtual void AnnounceCallList(int CallerCount, int PreviousCallerCount) = 0;
};

class NoAnnouncer : public AnnouncerPort {
public:
    void SyncSayList() override {}
    void AnnounceCallList(int, int) override {}
};

} // namespace tesk
