#include "platform/SessionEvents.h"

namespace tesk {

// Qt answers WM_QUERYENDSESSION itself (Windows may go on) and reports the
// end of the session as a commit-data request.
struct SessionEvents::Private {};

SessionEvents::SessionEvents(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    connectSessionManager();
}

SessionEvents::~SessionEvents() = default;

} // namespace tesk
