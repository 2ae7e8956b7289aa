#include "platform/PowerEvents.h"

#include <QDBusAbstractInterface>
#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

namespace tesk {

namespace {

// logind's manager as a proxy object: QtDBus forwards the bus signal to the
// Qt signal of the same name once something is connected to it.
class Login1Manager : public QDBusAbstractInterface {
    Q_OBJECT
public:
    explicit Login1Manager(const QDBusConnection& bus, QObject* parent)
        : QDBusAbstractInterface(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                                 "org.freedesktop.login1.Manager", bus, parent)
    {
    }

    QDBusPendingReply<QDBusUnixFileDescriptor> Inhibit(const QString& what, const QString& who, const QString& why,
                                                       const QString& mode)
    {
        return asyncCall(QStringLiteral("Inhibit"), what, who, why, mode);
    }

Q_SIGNALS:
    // true: the machine is about to sleep; false: it has woken up (or the
    // sleep did not happen).
    void PrepareForSleep(bool start);
};

} // namespace

// Without a lock logind does not wait for anybody: the machine may sleep
// before the connection is closed. A "delay" lock makes it wait (a few
// seconds at most) until the lock is given back, which happens right after
// the sleep has been reported; a new lock is taken at every wake-up.
struct PowerEvents::Private {
    Login1Manager* manager = nullptr;
    QDBusUnixFileDescriptor lock;
    bool lockPending = false;
};

PowerEvents::PowerEvents(QObject* parent)
    : PowerEvents(QString(), parent)
{
}

PowerEvents::PowerEvents(const QString& busConnectionName, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    const QDBusConnection bus =
        busConnectionName.isEmpty() ? QDBusConnection::systemBus() : QDBusConnection(busConnectionName);
    if (!bus.isConnected())
        return;
    d->manager = new Login1Manager(bus, this);

    const auto takeLock = [this] {
        if (d->lockPending || d->lock.isValid())
            return;
        d->lockPending = true;
        auto* watcher = new QDBusPendingCallWatcher(
            d->manager->Inhibit(QStringLiteral("sleep"), QStringLiteral("TESK Windows Vistor"),
                                QStringLiteral("St\u00E4nger anslutningen till servern"), QStringLiteral("delay")),
            this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            d->lockPending = false;
            const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
            // No logind, or one that refuses: sleep simply does not wait.
            if (!reply.isError())
                d->lock = reply.value();
        });
    };

    connect(d->manager, &Login1Manager::PrepareForSleep, this, [this, takeLock](bool start) {
        if (start) {
            Q_EMIT suspending();
            d->lock = QDBusUnixFileDescriptor(); // the machine may sleep now
        } else {
            Q_EMIT resumed();
            takeLock();
        }
    });
    takeLock();
}

PowerEvents::~PowerEvents() = default;

bool PowerEvents::isListening() const
{
    return d->manager != nullptr;
}

bool PowerEvents::holdsSleepLock() const
{
    return d->lock.isValid();
}

} // namespace tesk

#include "PowerEvents_unix.moc"
