#include "common/WinsockErrorCode.h"

namespace tesk {

int WinsockErrorCode(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;         // WSAECONNREFUSED
    case QAbstractSocket::RemoteHostClosedError: return 10054;          // WSAECONNRESET
    case QAbstractSocket::HostNotFoundError: return 11001;              // WSAHOST_NOT_FOUND
    case QAbstractSocket::SocketAccessError: return 10013;              // WSAEACCES
    case QAbstractSocket::SocketResourceError: return 10055;            // WSAENOBUFS
    case QAbstractSocket::SocketTimeoutError: return 10060;             // WSAETIMEDOUT
    case QAbstractSocket::DatagramTooLargeError: return 10040;          // WSAEMSGSIZE
    case QAbstractSocket::NetworkError: return 10051;                   // WSAENETUNREACH
    case QAbstractSocket::AddressInUseError: return 10048;              // WSAEADDRINUSE
    case QAbstractSocket::SocketAddressNotAvailableError: return 10049; // WSAEADDRNOTAVAIL
    case QAbstractSocket::UnsupportedSocketOperationError: return 10045; // WSAEOPNOTSUPP
    case QAbstractSocket::UnfinishedSocketOperationError: return 10036; // WSAEINPROGRESS
    case QAbstractSocket::OperationError: return 10057;                 // WSAENOTCONN
    case QAbstractSocket::TemporaryError: return 10035;                 // WSAEWOULDBLOCK
    default:
        // No Winsock counterpart: the proxy errors (the main connection
        // uses no proxy), the TLS errors (it uses no TLS) and
        // UnknownSocketError. The user sees Qt's own number (-1 for unknown).
        return static_cast<int>(error);
    }
}

} // namespace tesk
