#include "platform/ScreenSaverInhibitor.h"

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace tesk {

// Windows asks the foreground program before it starts the screen saver
// (WM_SYSCOMMAND with SC_SCREENSAVE); answering it as handled keeps the
// screen saver away.
struct ScreenSaverInhibitor::Private : QAbstractNativeEventFilter {
    bool on = false;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override
    {
        if (!on || eventType != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == SC_SCREENSAVE) {
            if (result)
                *result = 0;
            return true;
        }
        return false;
    }
};

ScreenSaverInhibitor::ScreenSaverInhibitor(const QString& applicationName, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
    , m_applicationName(applicationName)
{
    QCoreApplication::instance()->installNativeEventFilter(d.get());
}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(d.get());
}

bool ScreenSaverInhibitor::isActive() const
{
    return d->on;
}

void ScreenSaverInhibitor::setInhibited(bool on)
{
    if (on == m_requested)
        return;
    m_requested = on;
    d->on = on;
    Q_EMIT activeChanged(on);
}

} // namespace tesk
