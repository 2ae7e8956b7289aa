#include "platform/ScreenSaverInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace tesk {

namespace {
const QString Service = QStringLiteral("org.freedesktop.ScreenSaver");
const QString Path = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString Interface = QStringLiteral("org.freedesktop.ScreenSaver");

void SendUnInhibit(uint cookie)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("UnInhibit"));
    call << cookie;
    bus.call(call, QDBus::NoBlock);
}
}

// The freedesktop screen saver hands out a cookie for each Inhibit and
// forgets it at UnInhibit (or when our bus connection goes away).
struct ScreenSaverInhibitor::Private {
    bool pending = false; // an Inhibit call is under way
    bool haveCookie = false;
    uint cookie = 0;
};

ScreenSaverInhibitor::ScreenSaverInhibitor(const QString& applicationName, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
    , m_applicationName(applicationName)
{
}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    if (d->haveCookie)
        SendUnInhibit(d->cookie);
}

bool ScreenSaverInhibitor::isActive() const
{
    return d->haveCookie;
}

void ScreenSaverInhibitor::setInhibited(bool on)
{
    if (on == m_requested)
        return;
    m_requested = on;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;

    if (!on) {
        if (d->haveCookie) {
            SendUnInhibit(d->cookie);
            d->haveCookie = false;
            Q_EMIT activeChanged(false);
        }
        // A call still under way is undone when its answer comes.
        return;
    }
    if (d->pending || d->haveCookie)
        return;

    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Inhibit"));
    call << m_applicationName << QStringLiteral("Visar kallelser");
    d->pending = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        d->pending = false;
        QDBusPendingReply<uint> reply = *w;
        if (reply.isError())
            return; // no screen saver service: nothing to prevent
        if (!m_requested) {
            // Switched off while the call was under way.
            SendUnInhibit(reply.value());
            return;
        }
        d->cookie = reply.value();
        d->haveCookie = true;
        Q_EMIT activeChanged(true);
    });
}

} // namespace tesk
