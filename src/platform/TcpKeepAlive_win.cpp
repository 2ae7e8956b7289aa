#include "platform/TcpKeepAlive.h"

#include <winsock2.h>
#include <mstcpip.h>
#include <ws2tcpip.h>

namespace tesk {

bool EnableKeepAlive(qintptr socketDescriptor, const KeepAliveTimes& times)
{
    const SOCKET s = static_cast<SOCKET>(socketDescriptor);
    if (s == INVALID_SOCKET)
        return false;
    const BOOL on = TRUE;
    bool ok = ::setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on) == 0;

    tcp_keepalive values{};
    values.onoff = 1;
    values.keepalivetime = ULONG(times.idleSeconds) * 1000;
    values.keepaliveinterval = ULONG(times.intervalSeconds) * 1000;
    DWORD returned = 0;
    ok = ::WSAIoctl(s, SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0, &returned, nullptr, nullptr) == 0
        && ok;
#if defined(TCP_KEEPCNT)
    // Windows 10 1703 and later; older systems send ten probes.
    const DWORD probes = DWORD(times.probes);
    ::setsockopt(s, IPPROTO_TCP, TCP_KEEPCNT, reinterpret_cast<const char*>(&probes), sizeof probes);
#endif
#if defined(TCP_MAXRT)
    // Data written to a dead link is given up after the same minute.
    const DWORD giveUpSeconds = DWORD(times.idleSeconds + times.intervalSeconds * times.probes);
    ::setsockopt(s, IPPROTO_TCP, TCP_MAXRT, reinterpret_cast<const char*>(&giveUpSeconds), sizeof giveUpSeconds);
#endif
    return ok;
}

} // namespace tesk
