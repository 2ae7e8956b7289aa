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
    ServerConnection& conn = m_resolve();
    if (!m_watching) {
        m_watching = true;
        auto* self = const_cast<ServerConnectionLink*>(this);
        connect(&conn, &ServerConnection::connectedToServer, self, [self] { self->m_versionCleared = false; });
    }
    return conn;
}

bool ServerConnectionLink::isConnected() const
{
    return connection().isConnected();
}

QString ServerConnectionLink::ServerVersion() const
{
    const QString version = connection().ServerVersion();
    return m_versionCleared ? QString() : version;
}

void ServerConnectionLink::clearServerVersion()
{
    connection();
    m_versionCleared = true;
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
