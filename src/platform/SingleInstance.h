#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

namespace tesk {

// One running program per user session. The first start takes a lock file
// and listens on a local socket of the same name; a later start finds the
// lock taken and asks the running program, over that socket, to come
// forward. Both names carry the user's name so that users sharing a machine
// (a terminal server) each run their own copy.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // baseName: "TESK_WVistor" for the program; lockDir: where the lock file
    // lives (the temporary folder unless a test says otherwise).
    explicit SingleInstance(const QString& baseName, QObject* parent = nullptr, const QString& lockDir = {});
    ~SingleInstance() override;

    // The per-user name of the lock and of the activation socket.
    QString serverName() const { return m_name; }
    static QString userName();

    // Tries to take the lock. True when this process is now the running
    // program ("the mutex was created new"); it then also listens for later
    // starts.
    bool tryAcquire();
    bool isPrimary() const { return m_primary; }

    // For a restart after an update: the old program may still hold the
    // lock for a moment. Retries every retryMs until the lock is ours, so
    // that a third start still finds a running program once the old one is
    // gone.
    void acquireWhenFree(int retryMs = 500);

    // A later start: asks the running program to come forward. True when it
    // took the request; false when nobody answered within timeoutMs.
    bool activateRunning(int timeoutMs = 2000) const;

Q_SIGNALS:
    // A later start asked us to come forward.
    void activationRequested();
    // acquireWhenFree() got the lock.
    void acquired();

private:
    void listen();
    void onNewConnection();

    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
    QTimer m_retry;
    bool m_primary = false;
};

} // namespace tesk
