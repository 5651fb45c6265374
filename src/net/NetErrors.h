#pragma once

#include <QAbstractSocket>
#include <QString>

#include <stdexcept>

// Errors of the network clients. Every one carries a single message text that
// the deployment commands show or report as it is.

// A general failure of a client call (not connected, an empty URL, ...).
class ENetError : public std::runtime_error {
public:
    explicit ENetError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// A socket or connection failure.
class ESockError : public ENetError {
public:
    using ENetError::ENetError;
};

// A wait ended by a cancel or by the time-out.
class EAbortError : public ESockError {
public:
    using ESockError::ESockError;
};

// The web server answered, but not with what was asked for: an error
// status, a body cut off, a broken chunk, a header without end, a redirect
// loop. The message names the status or the fault and the address.
class EAnswerError : public ESockError {
public:
    using ESockError::ESockError;
};

// The FTP server answered a command with a failure code; the message is the
// server's reply line.
class FTPException : public ENetError {
public:
    using ENetError::ENetError;
};

// "number:description" for a failed socket call, numbered as on the platform
// the error texts were first written for, so reports read the same everywhere.
QString SocketErrorText(QAbstractSocket::SocketError error);
