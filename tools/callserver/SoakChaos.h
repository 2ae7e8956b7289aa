#pragma once

#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

#include <functional>

namespace tesk::sim {

class CallServer;

// The trouble a display meets over months, compressed for a soak test: at
// random intervals the server drops its displays (sometimes in the middle of
// a long message, sometimes to refuse their connections for a while), or
// sends junk between frames. Every event is logged with the "soak:" prefix,
// and a count of the call lists sent every ten seconds, for the soak script
// to read.
class SoakChaos : public QObject {
    Q_OBJECT
public:
    using Logger = std::function<void(const QString& line)>;

    SoakChaos(CallServer& server, quint32 seed, Logger logger, QObject* parent = nullptr);

    void start();
    // One event, chosen at random; returns its log text.
    QString strike();

private:
    void scheduleNext();

    CallServer& m_server;
    QRandomGenerator m_random;
    Logger m_logger;
    QTimer m_next;
    QTimer m_stats;
    int m_refusingMs = 0;
};

} // namespace tesk::sim
