#pragma once

#include <QAbstractSocket>

namespace tesk {

// The number a user sees for a socket failure: the Winsock code where there
// is one (10061 connection refused, 11001 host not found, ...), so that the
// clinics' support reads the same numbers on every platform.
int WinsockErrorCode(QAbstractSocket::SocketError error);

} // namespace tesk
