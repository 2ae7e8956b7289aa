#include "platform/SessionEvents.h"

#include "platform/WindowMessages.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace tesk {

static_assert(winmsg::QueryEndSession == WM_QUERYENDSESSION);
static_assert(winmsg::EndSession == WM_ENDSESSION);

// Windows asks every top-level window whether the session may end
// (WM_QUERYENDSESSION) and then tells each the outcome (WM_ENDSESSION). The
// query only lets a later close through: another program may still cancel
// the log-off. The end itself must be handled while the message is being
// answered, since Windows may end the process as soon as it returns.
//
// Qt answers both messages itself afterwards (the query "may go on" unless
// something cancels it); the filter only listens. Qt's own report of the
// query (a commit-data request) is not used here: the filter sees the
// messages first, and one source keeps each signal single.
struct SessionEvents::Private : QAbstractNativeEventFilter {
    SessionEvents* owner = nullptr;
    bool ended = false;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "windows_generic_MSG" || !message)
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        switch (ClassifyWindowMessage(msg->message, msg->wParam)) {
        case WindowMessageMeaning::SessionEndQueried:
            // Sent to each of the program's windows: the slot is idempotent.
            Q_EMIT owner->sessionEndQueried();
            break;
        case WindowMessageMeaning::SessionEnding:
            if (!ended) {
                ended = true;
                Q_EMIT owner->sessionEnding();
            }
            break;
        default:
            break;
        }
        return false;
    }
};

SessionEvents::SessionEvents(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->owner = this;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installNativeEventFilter(d.get());
}

SessionEvents::~SessionEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(d.get());
}

} // namespace tesk
