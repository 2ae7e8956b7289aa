#pragma once

#include <QHostAddress>
#include <QString>

class QAbstractSocket;

namespace tesk {

// Where a connection goes for a server name from the settings. A name that
// begins like an IPv4 address (IsIPv4Address) is meant as one and is used
// whole: "10.0.0.1.5" is a mistyped address, and connecting to 10.0.0.1
// instead would reach another server and show its data as this one's. Such
// a name is an address only when it is exactly one; it is never looked up.
// Anything else is a host name for the name service.
struct ServerAddress {
    QString hostName; // looked up; empty for a numeric name
    QString address;  // the numeric name, whole; empty for a host name
    QHostAddress ipv4; // the address; null unless the numeric name is exactly one

    static ServerAddress FromName(const QString& name);

    bool isNumeric() const { return !address.isEmpty(); }
    // A numeric name that is no address: fails as a host not found.
    bool isInvalidAddress() const { return isNumeric() && ipv4.isNull(); }
    // The name as the user gave it.
    QString text() const { return hostName + address; }
};

// Starts the connection of socket to target. False, with nothing started,
// for a numeric name that is no address: the caller reports it as a host
// not found.
bool ConnectToServerAddress(QAbstractSocket& socket, const ServerAddress& target, quint16 port);

} // namespace tesk
