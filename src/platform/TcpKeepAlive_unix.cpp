#include "platform/TcpKeepAlive.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace tesk {

namespace {
bool SetOption(qintptr fd, int level, int name, int value)
{
    return ::setsockopt(static_cast<int>(fd), level, name, &value, sizeof value) == 0;
}
}

bool EnableKeepAlive(qintptr socketDescriptor, const KeepAliveTimes& times)
{
    if (socketDescriptor < 0)
        return false;
    bool ok = SetOption(socketDescriptor, SOL_SOCKET, SO_KEEPALIVE, 1);
#if defined(TCP_KEEPIDLE)
    ok = SetOption(socketDescriptor, IPPROTO_TCP, TCP_KEEPIDLE, times.idleSeconds) && ok;
#elif defined(TCP_KEEPALIVE) // macOS names the idle time this way
    ok = SetOption(socketDescriptor, IPPROTO_TCP, TCP_KEEPALIVE, times.idleSeconds) && ok;
#endif
#if defined(TCP_KEEPINTVL)
    ok = SetOption(socketDescriptor, IPPROTO_TCP, TCP_KEEPINTVL, times.intervalSeconds) && ok;
#endif
#if defined(TCP_KEEPCNT)
    ok = SetOption(socketDescriptor, IPPROTO_TCP, TCP_KEEPCNT, times.probes) && ok;
#endif
#if defined(TCP_USER_TIMEOUT)
    // Data written to a dead link (a confirmation) would otherwise be
    // retransmitted for a quarter of an hour before the loss shows.
    const int giveUpMs = (times.idleSeconds + times.intervalSeconds * times.probes) * 1000;
    ok = SetOption(socketDescriptor, IPPROTO_TCP, TCP_USER_TIMEOUT, giveUpMs) && ok;
#endif
    return ok;
}

} // namespace tesk
