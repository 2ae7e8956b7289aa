#include "platform/SessionEvents.h"

namespace tesk {

// Qt answers WM_QUERYENDSESSION itself (Windows may go on) and reports it as
// a commit-data request; at WM_ENDSESSION it quits the application, which
// the shared hook-up turns into the real end.
struct SessionEvents::Private {};

SessionEvents::SessionEvents(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    connectSessionManager();
}

SessionEvents::~SessionEvents() = default;

} // namespace tesk
