#include "platform/StateFolder.h"

#include <QStandardPaths>

namespace tesk {

QString StateFolder()
{
    // %LOCALAPPDATA%: the log stays on this machine, not in a roaming profile.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

} // namespace tesk
