#include "platform/PowerEvents.h"

#include "platform/WindowMessages.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace tesk {

static_assert(winmsg::PowerBroadcast == WM_POWERBROADCAST);
static_assert(winmsg::ApmSuspend == PBT_APMSUSPEND);
static_assert(winmsg::ApmResumeSuspend == PBT_APMRESUMESUSPEND);
static_assert(winmsg::ApmResumeAutomatic == PBT_APMRESUMEAUTOMATIC);

// Windows sends WM_POWERBROADCAST to every top-level window, so one event
// reaches the filter once per window of the program: repeats of the same
// message (same event, same time stamp) are reported once.
struct PowerEvents::Private : QAbstractNativeEventFilter {
    PowerEvents* owner = nullptr;
    bool haveLast = false;
    WPARAM lastEvent = 0;
    DWORD lastTime = 0;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "windows_generic_MSG" || !message)
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_POWERBROADCAST)
            return false;
        if (haveLast && msg->wParam == lastEvent && msg->time == lastTime)
            return false;
        haveLast = true;
        lastEvent = msg->wParam;
        lastTime = msg->time;
        switch (ClassifyWindowMessage(msg->message, msg->wParam)) {
        case WindowMessageMeaning::Suspending:
            Q_EMIT owner->suspending();
            break;
        // A wake-up with the user reports both resumes; the receiver's pause
        // makes the two one.
        case WindowMessageMeaning::Resumed:
            Q_EMIT owner->resumed();
            break;
        default:
            break;
        }
        // Others may want the message too; never answered here.
        return false;
    }
};

PowerEvents::PowerEvents(QObject* parent)
    : PowerEvents(QString(), parent)
{
}

PowerEvents::PowerEvents(const QString&, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    d->owner = this;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installNativeEventFilter(d.get());
}

PowerEvents::~PowerEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(d.get());
}

bool PowerEvents::isListening() const
{
    return QCoreApplication::instance() != nullptr;
}

bool PowerEvents::holdsSleepLock() const
{
    return false;
}

} // namespace tesk
