#pragma once

#include "common/BoardSettings.h"

#include <QMetaType>
#include <QString>

namespace tesk {

class SettingsStore;

// The speech settings read again at every successful connection.
struct SpeechSettings {
    bool UseSAPI5 = false; // "Text2Speech"/"UseSAPI5" exactly "1"
    QString Voice;         // "Text2Speech"/"VoiceSAPI5.1"; "ERROR" when missing (matches no voice)

    bool operator==(const SpeechSettings&) const = default;
};

// All six board settings as the connection reloads them: AlwaysShowAll
// exactly "1"; ShowMode (0); Painteffect, defaulting to Visibility (1) != 0;
// ShowFontName ("Tahoma"); CallPrefix and ConfirmPrefix (empty).
BoardSettings ReadBoardSettings(SettingsStore& settings);
SpeechSettings ReadSpeechSettings(SettingsStore& settings);

} // namespace tesk

Q_DECLARE_METATYPE(tesk::BoardSettings)
Q_DECLARE_METATYPE(tesk::SpeechSettings)
