#pragma once

#include <QObject>

#include <memory>

namespace tesk {

// Tells the program that the user's session ends (log off, shut down) so
// that it can end properly instead of only hiding its window. Qt reports
// the session manager's request where there is one; on Linux the ordinary
// termination signals (SIGTERM from the session or the service manager,
// SIGHUP from a closing terminal, SIGINT from Ctrl-C) count as well.
// Create one per process, after the application object.
class SessionEvents : public QObject {
    Q_OBJECT
public:
    explicit SessionEvents(QObject* parent = nullptr);
    ~SessionEvents() override;

Q_SIGNALS:
    void sessionEnding();

private:
    // Where a session manager exists, Qt reports its end of the session as a
    // commit-data request; shared by every platform.
    void connectSessionManager();

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace tesk
