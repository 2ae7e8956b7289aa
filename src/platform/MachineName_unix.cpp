#include "platform/MachineName.h"

#include <QSysInfo>

namespace tesk {

// Linux has no remote-session name to prefer: the host name is the machine.
QString GetMachineName(const InfoMessageFn& showInfoMessage)
{
    MachineNameSources sources;
    sources.isRemoteSession = [] { return false; };
    sources.computerName = [] { return QSysInfo::machineHostName(); };
    return ResolveMachineName(sources, showInfoMessage);
}

} // namespace tesk
