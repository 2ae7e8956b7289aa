#include "platform/MachineName.h"

#include <QSysInfo>

namespace tesk {

// Linux has no remote-session name to prefer: the host name is the machine.
QString GetMachineName()
{
    return QSysInfo::machineHostName();
}

} // namespace tesk
