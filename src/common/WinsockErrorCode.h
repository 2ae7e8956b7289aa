#pragma once

#include <QAbstractSocket>

namespace tesk {

// The number a user sees for a socket failure: the Winsock code where there
// is one (10061 connection refused, 11001 host not found, ...), so that the
// clinics' IT staff read the numbers they know from Windows on every
// platform. Proxy and TLS errors, which these connections cannot meet, and an
// unknown error keep Qt's own number (UnknownSocketError is -1).
int WinsockErrorCode(QAbstractSocket::SocketError error);

} // namespace tesk
