#include "platform/PowerEvents.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace tesk {

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
        switch (msg->wParam) {
        case PBT_APMSUSPEND:
            Q_EMIT owner->suspending();
            break;
        // A wake-up without the user (a timer, the network) reports only the
        // automatic resume; one with the user reports both. The receiver's
        // pause makes the two one.
        case PBT_APMRESUMESUSPEND:
        case PBT_APMRESUMEAUTOMATIC:
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
