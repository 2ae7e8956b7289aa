#pragma once

#include <QObject>
#include <QTimer>

namespace tesk {

class ServerConnection;

// What the main connection does when the machine sleeps: before the sleep
// it is closed; after the wake-up, once the network has had a pause to come
// back, it is opened again as a first connection (the whole handshake
// follows). A wake-up before any connection was ever made does nothing.
//
// The pause is a timer, so the window stays alive meanwhile; a new sleep
// during the pause cancels the pending reopening, and a second wake-up
// report starts the pause afresh instead of reopening twice. The pause's
// timer is this object's only child QTimer, so a test can end it early.
class SuspendResume : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultResumePauseMs = 10000;

    SuspendResume(ServerConnection& connection, int resumePauseMs = DefaultResumePauseMs, QObject* parent = nullptr);

    void Suspend();
    void Resume();

    bool isResumePending() const { return m_resumeTimer.isActive(); }
    bool everConnected() const { return m_everConnected; }

private:
    void ResumeTimerTimer();

    ServerConnection& m_connection;
    QTimer m_resumeTimer;
    bool m_everConnected = false;
};

} // namespace tesk
