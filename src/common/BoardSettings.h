#pragma once

#include <QString>

namespace tesk {

// The six settings that shape the call board. The main window reads three at
// start and all six again at every successful connection.
struct BoardSettings {
    bool ShowingAlwaysShowAll = true;                 // "Showing"/"AlwaysShowAll" exactly "1"
    int TESKShowMode = 0;                             // 0 landscape, 1 portrait, other: background only
    QString TESKShowFontName = QStringLiteral("Tahoma");
    bool FPaintEffect = true;                         // shaded (true) or flat boxes
    QString FCallPrefix;
    QString FConfirmPrefix;

    bool operator==(const BoardSettings&) const = default;
};

} // namespace tesk
