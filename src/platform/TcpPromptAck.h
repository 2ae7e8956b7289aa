#pragma once

#include <QtGlobal>

namespace tesk {

// Asks the system to acknowledge what this socket receives at once instead
// of holding the acknowledgement back (40 ms on Linux, 200 ms on Windows).
// A server that writes with Nagle's algorithm on, as most do, holds its next
// message until the last one is acknowledged; with delayed acknowledgements
// a call that follows another closely would reach the board that much later.
// Linux drops the request again on its own, so call this after every read;
// Windows keeps it for the socket's life. False when the system refused.
bool RequestPromptAcks(qintptr socketDescriptor);

} // namespace tesk
