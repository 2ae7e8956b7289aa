#include "platform/TcpPromptAck.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace tesk {

bool RequestPromptAcks(qintptr socketDescriptor)
{
    if (socketDescriptor < 0)
        return false;
#if defined(TCP_QUICKACK)
    const int on = 1;
    return ::setsockopt(static_cast<int>(socketDescriptor), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on) == 0;
#else
    return false; // systems without the option keep their usual delay
#endif
}

} // namespace tesk
