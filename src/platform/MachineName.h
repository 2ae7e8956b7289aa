#pragma once

#include <QString>

namespace tesk {

// The name under which the call server files this machine's settings: the
// computer name (on Windows, the remote client's name in a remote session).
QString GetMachineName();

} // namespace tesk
