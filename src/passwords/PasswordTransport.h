#pragma once

#include "ri/PasswordTO.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The transport encryption of entry passwords: AES-256-CBC under the
// session key of the current login, a fresh 16-byte IV every time, the text
// as UTF-8. Clear text is wiped as soon as it is no longer needed.
class PasswordTransport
{
public:
    // Fills the record's encrypted password and IV; false without a 32-byte
    // key or without randomness. `clearPassword` is wiped either way.
    static bool encrypt(const QByteArray &sessionKey, PasswordRecord &record, QString &&clearPassword);
    // The clear text, or nothing when the secret does not decrypt under the
    // key or is not UTF-8 text. An empty password is a valid answer.
    static std::optional<QString> decrypt(const QByteArray &sessionKey, const SinglePasswordTO &secret);
};
