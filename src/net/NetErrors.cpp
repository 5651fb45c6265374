#include "net/NetErrors.h"

QString SocketErrorText(QAbstractSocket::SocketError error) {
    struct Entry {
        QAbstractSocket::SocketError error;
        int number;
        const char* text;
    };
    static constexpr Entry table[] = {
        {QAbstractSocket::ConnectionRefusedError, 10061, "Connection refused"},
        {QAbstractSocket::RemoteHostClosedError, 10054, "Connection reset by peer"},
        {QAbstractSocket::HostNotFoundError, 11001, "Host not found"},
        {QAbstractSocket::SocketAccessError, 10013, "Permission denied"},
        {QAbstractSocket::SocketResourceError, 10055, "No buffer space available"},
        {QAbstractSocket::SocketTimeoutError, 10060, "Connection timed out"},
        {QAbstractSocket::DatagramTooLargeError, 10040, "Message too long"},
        {QAbstractSocket::NetworkError, 10050, "Network is down"},
        {QAbstractSocket::AddressInUseError, 10048, "Address already in use"},
        {QAbstractSocket::SocketAddressNotAvailableError, 10049, "Cannot assign requested address"},
        {QAbstractSocket::UnsupportedSocketOperationError, 10045, "Operation not supported"},
        {QAbstractSocket::OperationError, 10057, "Socket is not connected"},
    };
    for (const Entry& e : table)
        if (e.error == error)
            return QStringLiteral("%1:%2").arg(e.number).arg(QLatin1String(e.text));
    const int number = static_cast<int>(error);
    return QStringLiteral("%1:Unknown error number %1").arg(number);
}
