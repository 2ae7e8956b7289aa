#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace tesk {

// Tells the program that the machine is about to sleep and that it has woken
// up again. On Linux from logind's PrepareForSleep signal on the system bus,
// on Windows from the power broadcast window message. A machine without
// either (no system bus, no logind) simply never reports anything.
class PowerEvents : public QObject {
    Q_OBJECT
public:
    // Listens on the platform's own source.
    explicit PowerEvents(QObject* parent = nullptr);
    // Linux: listens on the D-Bus connection of that name (made with
    // QDBusConnection::connectToBus) instead of the system bus, for tests.
    // Windows: the name is not used.
    PowerEvents(const QString& busConnectionName, QObject* parent);
    ~PowerEvents() override;

    // True when the platform's source could be listened to.
    bool isListening() const;
    // Linux: true while logind waits for us before a sleep (a delay lock is
    // held); given back as soon as the sleep has been reported. Windows
    // waits for the message's handlers anyway: always false there.
    bool holdsSleepLock() const;

Q_SIGNALS:
    void suspending();
    void resumed();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tesk
