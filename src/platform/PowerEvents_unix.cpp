#include "platform/PowerEvents.h"

#include <QDBusAbstractInterface>
#include <QDBusConnection>

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

Q_SIGNALS:
    // true: the machine is about to sleep; false: it has woken up (or the
    // sleep did not happen).
    void PrepareForSleep(bool start);
};

} // namespace

struct PowerEvents::Private {
    Login1Manager* manager = nullptr;
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
    connect(d->manager, &Login1Manager::PrepareForSleep, this, [this](bool start) {
        if (start)
            Q_EMIT suspending();
        else
            Q_EMIT resumed();
    });
}

PowerEvents::~PowerEvents() = default;

bool PowerEvents::isListening() const
{
    return d->manager != nullptr;
}

} // namespace tesk

#include "PowerEvents_unix.moc"
