#include "platform/UserDataFolder.h"

#include <QStandardPaths>

namespace tesk {

QString UserDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

} // namespace tesk
