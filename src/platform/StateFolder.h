#pragma once

#include <QString>

namespace tesk {

// The per-user folder for state that is neither settings nor documents (the
// log): $XDG_STATE_HOME (~/.local/state) on Linux, the local application
// data folder on Windows. Ends without a separator.
QString StateFolder();

} // namespace tesk
