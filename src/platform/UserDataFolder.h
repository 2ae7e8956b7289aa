#pragma once

#include <QString>

namespace tesk {

// The per-user application-data folder that downloaded builds are kept
// under: the roaming %APPDATA% on Windows (it follows the user between the
// clinic's machines), ~/.local/share ($XDG_DATA_HOME) on Linux. Ends without
// a separator; empty when the system does not name one.
QString UserDataFolder();

} // namespace tesk
