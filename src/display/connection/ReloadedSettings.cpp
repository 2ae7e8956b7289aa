#include "display/connection/ReloadedSettings.h"

#include "common/SettingsStore.h"

namespace tesk {

BoardSettings ReadBoardSettings(SettingsStore& settings)
{
    BoardSettings b;
    b.ShowingAlwaysShowAll = settings.GetIniText(QStringLiteral("Showing"), QStringLiteral("AlwaysShowAll"))
        == QLatin1String("1");
    b.TESKShowMode = settings.ReadInt(QStringLiteral("TESK"), QStringLiteral("ShowMode"), 0);
    const bool visible = settings.ReadInt(QStringLiteral("TESK"), QStringLiteral("Visibility"), 1) != 0;
    b.FPaintEffect = settings.ReadBool(QStringLiteral("TESK"), QStringLiteral("Painteffect"), visible);
    b.TESKShowFontName = settings.GetIniTextDef(QStringLiteral("TESK"), QStringLiteral("ShowFontName"),
                                                QStringLiteral("Tahoma"));
    b.FCallPrefix = settings.GetIniTextDef(QStringLiteral("TESK"), QStringLiteral("CallPrefix"), QString());
    b.FConfirmPrefix = settings.GetIniTextDef(QStringLiteral("TESK"), QStringLiteral("ConfirmPrefix"), QString());
    return b;
}

SpeechSettings ReadSpeechSettings(SettingsStore& settings)
{
    SpeechSettings s;
    s.UseSAPI5 = settings.GetIniText(QStringLiteral("Text2Speech"), QStringLiteral("UseSAPI5")) == QLatin1String("1");
    s.Voice = settings.GetIniText(QStringLiteral("Text2Speech"), QStringLiteral("VoiceSAPI5.1"));
    return s;
}

} // namespace tesk
