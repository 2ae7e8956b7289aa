#include "SoakChaos.h"

#include "CallServer.h"

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
    m_next.start(int(m_random.bounded(8000, 25000)));
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
        const int ms = int(m_random.bounded(2000, 12000));
        m_server.refuseConnectionsFor(ms);
        return QStringLiteral("soak: vägrar anslutningar i %1 ms").arg(ms);
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
