#include "platform/ScreenSaverInhibitor.h"

#include "platform/WindowMessages.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace tesk {

static_assert(winmsg::SysCommand == WM_SYSCOMMAND);
static_assert(winmsg::ScreenSave == SC_SCREENSAVE);

// Windows asks the foreground program before it starts the screen saver
// (WM_SYSCOMMAND with SC_SCREENSAVE); answering it as handled keeps the
// screen saver away.
struct ScreenSaverInhibitor::Private : QAbstractNativeEventFilter {
    bool on = false;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override
    {
        if (!on || eventType != "windows_generic_MSG" || !message)
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (ClassifyWindowMessage(msg->message, msg->wParam) == WindowMessageMeaning::ScreenSaverStarting) {
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
    if (QCoreApplication::instance())
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
