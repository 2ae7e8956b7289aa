#pragma once

#include <QString>

namespace tesk {

class SettingsStore;

// What makes the board a wall screen. Each defaults to off, so a board
// whose settings hold none of them looks as it always did.
struct WallSettings {
    bool ShowWaitingTime = false;  // TESK/ShowWaitingTime
    int EscalateAfterMinutes = 0;  // TESK/EscalateAfterMinutes; 0 off
    QString NightFrom;             // TESK/NightFrom "HH:MM"; empty off
    QString NightTo;               // TESK/NightTo "HH:MM"; empty off
    int NightBrightness = 40;      // TESK/NightBrightness, percent
    int NightVolume = 50;          // TESK/NightVolume, percent

    bool operator==(const WallSettings&) const = default;
};

// All six, each read with its default (through the server's copies while
// connected, like the board's other settings).
WallSettings ReadWallSettings(SettingsStore& settings);

} // namespace tesk
