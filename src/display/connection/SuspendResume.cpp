#include "display/connection/SuspendResume.h"

#include "display/connection/ServerConnection.h"

#include <algorithm>

namespace tesk {

SuspendResume::SuspendResume(ServerConnection& connection, int resumePauseMs, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
    , m_resumeTimer(this)
{
    m_resumeTimer.setSingleShot(true);
    m_resumeTimer.setInterval(std::max(0, resumePauseMs));
    connect(&m_resumeTimer, &QTimer::timeout, this, &SuspendResume::ResumeTimerTimer);
    connect(&m_connection, &ServerConnection::connectedToServer, this, [this] { m_everConnected = true; });
}

void SuspendResume::Suspend()
{
    m_resumeTimer.stop();
    m_connection.CloseConnection();
}

void SuspendResume::Resume()
{
    m_resumeTimer.start();
}

void SuspendResume::ResumeTimerTimer()
{
    // Without a connection ever made there is no server to go back to: the
    // start-up (or the settings dialog) decides when to connect.
    if (!m_everConnected)
        return;
    m_connection.ReopenAfterResume();
}

} // namespace tesk
