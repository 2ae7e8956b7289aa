#include "sysreg/ServerConnectionLink.h"

#include "display/connection/ServerConnection.h"

namespace tesk {

ServerConnectionLink::ServerConnectionLink(std::function<ServerConnection&()> resolve, QObject* parent)
    : QObject(parent)
    , m_resolve(std::move(resolve))
{
}

ServerConnection& ServerConnectionLink::connection() const
{
    return m_resolve();
}

bool ServerConnectionLink::isConnected() const
{
    return connection().isConnected();
}

QString ServerConnectionLink::ServerVersion() const
{
    return connection().ServerVersion();
}

void ServerConnectionLink::clearServerVersion()
{
    connection().ClearServerVersion();
}

void ServerConnectionLink::setHasConnected(bool value)
{
    connection().setHasConnected(value);
}

void ServerConnectionLink::setUpdateCheckPending(bool value)
{
    connection().setUpdateCheckPending(value);
}

void ServerConnectionLink::CloseConnection()
{
    connection().CloseConnection();
}

void ServerConnectionLink::ServerReconnectProc(bool Reconnect)
{
    connection().ConnectToServer(Reconnect);
}

void ServerConnectionLink::SendFrame(const QString& command, const QStringList& fields)
{
    connection().SendFrame(command, fields);
}

} // namespace tesk
