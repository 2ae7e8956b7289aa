#include "platform/SessionEvents.h"

#include <QGuiApplication>
#include <QSessionManager>

namespace tesk {

void SessionEvents::connectSessionManager()
{
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
            Q_EMIT sessionEnding();
        });
    }
}

} // namespace tesk
