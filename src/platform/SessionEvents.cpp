#include "platform/SessionEvents.h"

#include <QGuiApplication>
#include <QSessionManager>

namespace tesk {

void SessionEvents::connectSessionManager()
{
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
            Q_EMIT sessionEndQueried();
        });
        // When the session really ends, Qt quits the application (Windows'
        // WM_ENDSESSION, the session manager's "die"); the window must still
        // end properly and store its place before the process goes.
        connect(app, &QCoreApplication::aboutToQuit, this, &SessionEvents::sessionEnding);
    }
}

} // namespace tesk
