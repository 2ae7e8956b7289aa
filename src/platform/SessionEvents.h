#pragma once

#include <QObject>

#include <memory>

namespace tesk {

// Tells the program about the end of the user's session (log off, shut
// down) in its two steps: the query, which the user or another program may
// still cancel, and the real end. The program then ends properly instead of
// only hiding its window, and a cancelled log-off leaves it running.
//
// Windows: a native event filter reports WM_QUERYENDSESSION (the query) and
// WM_ENDSESSION with the end confirmed (the real end). Linux: the session
// manager's query arrives through Qt (a commit-data request); if the session
// then really ends, the manager closes the windows or ends the process, and
// the ordinary termination signals (SIGTERM from the
// session or the service manager, SIGHUP from a closing terminal, SIGINT
// from Ctrl-C) are the real end. Create one per process, after the
// application object.
class SessionEvents : public QObject {
    Q_OBJECT
public:
    explicit SessionEvents(QObject* parent = nullptr);
    ~SessionEvents() override;

Q_SIGNALS:
    // The session is asked whether it may end; it may still go on.
    void sessionEndQueried();
    // The session ends now.
    void sessionEnding();

private:
    // Where a session manager exists, Qt reports its query as a commit-data
    // request; shared by every platform.
    void connectSessionManager();

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tesk
