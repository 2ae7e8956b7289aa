#pragma once

#include "Register.h"

#include <QDateTime>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

#include <functional>

namespace tesk::sim {

// Makes the register look like a working day: rooms call staff, calls get
// confirmed, confirmed calls are cleared. Seeded, so a run can be repeated;
// tests call step() directly instead of waiting for the timer.
class DemoTraffic : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    static constexpr int MaxWaitingCalls = 8;

    DemoTraffic(Register& reg, std::function<void()> changed, Clock clock, quint32 seed, QObject* parent = nullptr);

    void start(int intervalMs);
    void stop();

    // A new call waits at least this long before anybody confirms it, so a
    // display's repeated speech of waiting calls can be heard (0: no wait).
    void setHoldCalls(qint64 seconds) { m_holdSecs = qMax<qint64>(0, seconds); }

    // A few calls right away, so a display has something to show at once.
    void prime(int calls = 3);
    // One change: a new call, a confirmation or a cleared call. Returns a
    // description for the log.
    QString step();

Q_SIGNALS:
    // A change made by the timer, described for the log.
    void stepped(const QString& what);

private:
    QString createCall();
    QString confirmCall();
    QString clearCall();

    Register& m_reg;
    std::function<void()> m_changed;
    Clock m_clock;
    QRandomGenerator m_random;
    QTimer m_timer;
    qint64 m_holdSecs = 0;
};

} // namespace tesk::sim
