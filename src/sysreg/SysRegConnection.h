#pragma once

#include <QString>
#include <QStringList>

namespace tesk {

// What the settings dialog needs of the main connection: whether it is up,
// the server's version, the handshake flags a server save resets, closing,
// the fresh connection after a save, and sending a frame.
class SysRegConnection {
public:
    virtual ~SysRegConnection() = default;

    virtual bool isConnected() const = 0;
    // The main server's version text; empty until the version handshake.
    virtual QString ServerVersion() const = 0;
    virtual void clearServerVersion() = 0;
    virtual void setHasConnected(bool value) = 0;
    // Set: the next successful connection first runs the update check.
    virtual void setUpdateCheckPending(bool value) = 0;
    virtual void CloseConnection() = 0;
    // Closes the connection if it is up and connects afresh with the stored
    // server settings.
    virtual void ServerReconnectProc(bool Reconnect) = 0;
    // Nothing is sent (or queued) while not connected.
    virtual void SendFrame(const QString& command, const QStringList& fields) = 0;
};

} // namespace tesk
