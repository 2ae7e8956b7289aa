#include "platform/SessionEvents.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tesk {

namespace {
// A signal handler may only write to a pipe; the event loop reads the other
// end and turns the signal into an ordinary Qt signal.
int g_signalPipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int)
{
    const char byte = 1;
    if (g_signalPipe[1] >= 0)
        [[maybe_unused]] auto written = ::write(g_signalPipe[1], &byte, 1);
}
}

struct SessionEvents::Private {
    std::unique_ptr<QSocketNotifier> notifier;
};

SessionEvents::SessionEvents(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    connectSessionManager();

    if (g_signalPipe[0] < 0 && ::pipe(g_signalPipe) == 0) {
        for (int fd : g_signalPipe) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    if (g_signalPipe[0] < 0)
        return;

    d->notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    connect(d->notifier.get(), &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        bool any = false;
        while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0)
            any = true;
        if (any)
            Q_EMIT sessionEnding();
    });

    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(sig, &action, nullptr);
}

SessionEvents::~SessionEvents()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(sig, &action, nullptr);
}

} // namespace tesk
