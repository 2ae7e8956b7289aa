#include "SoakChaos.h"

#include "CallServer.h"

#include <utility>

namespace tesk::sim {

SoakChaos::SoakChaos(CallServer& server, quint32 seed, Logger logger, QObject* parent)
    : QObject(parent), m_server(server), m_random(seed), m_logger(std::move(logger))
{
    m_next.setSingleShot(true);
    connect(&m_next, &QTimer::timeout, this, [this] {
        m_logger(strike());
        scheduleNext();
    });
    m_stats.setInterval(10000);
    connect(&m_stats, &QTimer::timeout, this,
            [this] { m_logger(QStringLiteral("soak: listor skickade %1").arg(m_server.listsSent())); });
}

void SoakChaos::start()
{
    m_stats.start();
    scheduleNext();
}

void SoakChaos::scheduleNext()
{
    // Nothing new happens during a refusal: its end stays where it was drawn.
    m_next.start(std::exchange(m_refusingMs, 0) + int(m_random.bounded(8000, 25000)));
}

QString SoakChaos::strike()
{
    switch (m_random.bounded(4)) {
    case 0:
        m_server.dropDisplays(false);
        return QStringLiteral("soak: kopplar ner");
    case 1:
        m_server.dropDisplays(true);
        return QStringLiteral("soak: kopplar ner mitt i ett meddelande");
    case 2: {
        // Some refusals end before the display's first retry, the rest
        // outlast the longest wait before one (18 s), so that a retry must
        // meet them.
        const int ms = int(m_random.bounded(5000, 30000));
        m_server.refuseConnectionsFor(ms);
        m_refusingMs = ms;
        return QStringLiteral("soak: kopplar ner och vägrar anslutningar i %1 ms").arg(ms);
    }
    default: {
        QByteArray junk(int(m_random.bounded(1, 400)), Qt::Uninitialized);
        for (char& c : junk)
            c = char(m_random.bounded(256));
        m_server.sendJunk(junk);
        return QStringLiteral("soak: skräp, %1 byte").arg(junk.size());
    }
    }
}

} // namespace tesk::sim
