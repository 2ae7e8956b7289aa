#include "common/WallSettings.h"

#include "common/SettingsStore.h"

namespace tesk {

WallSettings ReadWallSettings(SettingsStore& settings)
{
    const QString tesk = QStringLiteral("TESK");
    const WallSettings defaults;
    WallSettings w;
    w.ShowWaitingTime = settings.ReadBool(tesk, QStringLiteral("ShowWaitingTime"), defaults.ShowWaitingTime);
    w.EscalateAfterMinutes =
        settings.ReadInt(tesk, QStringLiteral("EscalateAfterMinutes"), defaults.EscalateAfterMinutes);
    w.NightFrom = settings.GetIniTextDef(tesk, QStringLiteral("NightFrom"), defaults.NightFrom);
    w.NightTo = settings.GetIniTextDef(tesk, QStringLiteral("NightTo"), defaults.NightTo);
    w.NightBrightness = settings.ReadInt(tesk, QStringLiteral("NightBrightness"), defaults.NightBrightness);
    w.NightVolume = settings.ReadInt(tesk, QStringLiteral("NightVolume"), defaults.NightVolume);
    return w;
}

} // namespace tesk
