#include "platform/TcpPromptAck.h"

#include <winsock2.h>
#include <mstcpip.h>

#ifndef SIO_TCP_SET_ACK_FREQUENCY
#define SIO_TCP_SET_ACK_FREQUENCY _WSAIOW(IOC_VENDOR, 23)
#endif

namespace tesk {

bool RequestPromptAcks(qintptr socketDescriptor)
{
    const SOCKET s = static_cast<SOCKET>(socketDescriptor);
    if (s == INVALID_SOCKET)
        return false;
    // One acknowledgement per segment received, i.e. none held back.
    DWORD everySegment = 1;
    DWORD returned = 0;
    return ::WSAIoctl(s, SIO_TCP_SET_ACK_FREQUENCY, &everySegment, sizeof everySegment, nullptr, 0, &returned,
                      nullptr, nullptr)
        == 0;
}

} // namespace tesk
