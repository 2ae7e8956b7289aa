#pragma once

#include <QtGlobal>

namespace tesk {

// How soon a silent peer is probed and given up: 30 s of silence, then a
// probe every 10 s, and the link counts as dead after 3 unanswered probes.
struct KeepAliveTimes {
    int idleSeconds = 30;
    int intervalSeconds = 10;
    int probes = 3;
};

// Turns on TCP keep-alive with these times on a connected socket. A display
// that only listens never writes, so a link that died without a close (a
// switch restarted, a cable pulled, a sleep the program did not see) would
// otherwise look alive for ever; with the probes it ends as an ordinary
// socket error about a minute later and the usual retry takes over. False
// when the system refused an option (the connection works on regardless).
bool EnableKeepAlive(qintptr socketDescriptor, const KeepAliveTimes& times = {});

} // namespace tesk
