#pragma once

#include "sysreg/SysRegConnection.h"

#include <QObject>

#include <functional>

namespace tesk {

class ServerConnection;

// The dialog's view of the main window's ServerConnection. The connection
// is found through `resolve` when first needed, because the connection is
// built after the dialog it reports to.
class ServerConnectionLink : public QObject, public SysRegConnection {
    Q_OBJECT
public:
    explicit ServerConnectionLink(std::function<ServerConnection&()> resolve, QObject* parent = nullptr);

    bool isConnected() const override;
    QString ServerVersion() const override;
    void clearServerVersion() override;
    void setHasConnected(bool value) override;
    void setUpdateCheckPending(bool value) override;
    void CloseConnection() override;
    void ServerReconnectProc(bool Reconnect) override;
    void SendFrame(const QString& command, const QStringList& fields) override;

private:
    ServerConnection& connection() const;

    std::function<ServerConnection&()> m_resolve;
};

} // namespace tesk
