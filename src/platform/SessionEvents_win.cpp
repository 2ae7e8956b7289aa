#include "platform/SessionEvents.h"

#include <QGuiApplication>
#include <QSessionManager>

namespace tesk {

// Qt answers WM_QUERYENDSESSION itself (Windows may go on) and reports the
// end of the session as a commit-data request.
struct SessionEvents::Private {};

SessionEvents::SessionEvents(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
            Q_EMIT sessionEnding();
        });
    }
}

SessionEvents::~SessionEvents() = default;

} // namespace tesk
