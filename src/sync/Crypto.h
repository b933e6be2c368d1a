#pragma once

#include <QByteArray>
#include <QString>

// Free cryptographic helpers over OpenSSL libcrypto.

// PBKDF2 (PKCS #5 v2.0) with HMAC-SHA-256 and a derived length of exactly 32
// bytes; `out` must hold 32 bytes.
bool deriveKeyPbkdf2(const char *password, int passwordLength, const unsigned char *salt, int saltLength,
                     int iterations, unsigned char *out);
// The same on byte arrays; `out` receives the 32 bytes on success.
bool deriveKeyPbkdf2(const QByteArray &password, const QByteArray &salt, int iterations, QByteArray &out);

// n bytes from the library's random generator.
QByteArray randomBytes(int n);

// HMAC-SHA-256 of `message` under `key` (32 bytes).
QByteArray hmacSha256(const QByteArray &key, const QByteArray &message);

// Protection of values kept in the settings, under a key and IV built into
// every installation. The empty text passes unchanged. Failures throw
// std::runtime_error("Unable to encrypt") / ("Unable to decrypt").
QString encryptStoredValue(const QString &value);
QString decryptStoredValue(const QString &value);
