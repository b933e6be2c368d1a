#pragma once

#include <QString>

#include <stdexcept>

// A failure of the platform key store (reading, writing or deleting the
// credential item). Thrown by CredentialStore and caught by its callers.
class KeychainException : public std::runtime_error
{
public:
    explicit KeychainException(const QString &message);
    QString message() const { return QString::fromUtf8(what()); }
};
