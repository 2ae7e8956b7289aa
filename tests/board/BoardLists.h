#pragma once

#include "protocol/Records.h"

#include <QString>

#include <memory>

namespace tesk::test {

// Builds call lists for the board tests as the dispatcher would: new
// records, zero rectangles.
struct CallerSpec {
    CallerSpec(QString name_, int lopnr_, TColor colour_ = 0xFFFFFF, TDateTime time_ = 0, int comingLopnr_ = 0,
               QString comingName_ = {}, TDateTime comingTime_ = 0)
        : name(std::move(name_)), lopnr(lopnr_), colour(colour_), time(time_), comingLopnr(comingLopnr_),
          comingName(std::move(comingName_)), comingTime(comingTime_)
    {
    }
    QString name;
    int lopnr = 0;
    TColor colour = 0xFFFFFF;
    TDateTime time = 0;
    int comingLopnr = 0;
    QString comingName;
    TDateTime comingTime = 0;
};

inline std::unique_ptr<TCallObject> MakeCall(const QString& name, int lopnr, TColor colour,
                                             std::initializer_list<CallerSpec> callers = {})
{
    auto call = std::make_unique<TCallObject>();
    call->CallName = name;
    call->CallLopnr = lopnr;
    call->CallColour = colour;
    for (const CallerSpec& c : callers) {
        auto caller = std::make_unique<TCaller>();
        caller->CallerName = c.name;
        caller->CallerLopnr = c.lopnr;
        caller->CallerColour = c.colour;
        caller->CallTimeStamp = c.time;
        caller->CallComingLopnr = c.comingLopnr;
        caller->CallComingName = c.comingName;
        caller->CallComingTimeStamp = c.comingTime;
        call->CurrentCallList.push_back(std::move(caller));
    }
    return call;
}

// A resource with `count` callers named from `seed`.
inline std::unique_ptr<TCallObject> MakeCallWith(const QString& name, int lopnr, TColor colour, int count, int seed)
{
    auto call = MakeCall(name, lopnr, colour);
    static const char* const names[] = {"Rum 1", "Lab", "Reception", "Akuten", "Rum 12 Barn", "Röntgen",
                                        "Mottagning 3", "Expedition", "Vårdrum Öst", "Kök"};
    for (int i = 0; i < count; ++i) {
        auto caller = std::make_unique<TCaller>();
        const int k = seed + i;
        caller->CallerName = QString::fromUtf8(names[k % 10]) + (k >= 10 ? QString::number(k) : QString());
        caller->CallerLopnr = 100 + i;
        caller->CallerColour = TColor(0x102030u * TColor(k % 7 + 1)) & 0xFFFFFFu;
        caller->CallTimeStamp = 45000.25 + k / 1440.0;
        if (k % 3 == 1) {
            caller->CallComingLopnr = 7;
            caller->CallComingName = QStringLiteral("Syster Karin");
            caller->CallComingTimeStamp = 45000.26 + k / 1440.0;
        }
        call->CurrentCallList.push_back(std::move(caller));
    }
    return call;
}

} // namespace tesk::test
