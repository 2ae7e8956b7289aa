#include "common/ServerAddress.h"

#include "common/TextHelpers.h"

#include <QAbstractSocket>

namespace tesk {

ServerAddress ServerAddress::FromName(const QString& name)
{
    ServerAddress target;
    if (!IsIPv4Address(name)) {
        target.hostName = name;
        return target;
    }
    target.address = name;
    const QHostAddress parsed(name);
    if (parsed.protocol() == QAbstractSocket::IPv4Protocol)
        target.ipv4 = parsed;
    return target;
}

bool ConnectToServerAddress(QAbstractSocket& socket, const ServerAddress& target, quint16 port)
{
    if (!target.isNumeric()) {
        socket.connectToHost(target.hostName, port);
        return true;
    }
    if (target.isInvalidAddress())
        return false;
    socket.connectToHost(target.ipv4, port);
    return true;
}

} // namespace tesk
