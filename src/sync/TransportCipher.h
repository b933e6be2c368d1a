#pragma once

#include <QByteArray>
#include <QString>

#include <openssl/types.h>

// One AES-256 key with one-shot encryption and decryption under a
// caller-supplied 16-byte IV. On failure the output is left as it was.
class TransportCipher
{
public:
    // "AES-256-CBC" is the only cipher name known; any other leaves the
    // object unusable (every operation fails).
    explicit TransportCipher(const QByteArray &key, const QString &cipherName = QStringLiteral("AES-256-CBC"));

    bool encryptBytes(const QByteArray &input, QByteArray &output, const QByteArray &iv) const;
    bool decryptBytes(const QByteArray &input, QByteArray &output, const QByteArray &iv) const;
    // Text as UTF-8 in, lower-case hex of the ciphertext out.
    bool encryptToHex(const QString &text, QString &output, const QByteArray &iv) const;
    // Hex in (non-hex characters are skipped), the plaintext read as UTF-8 out.
    bool decryptFromHex(const QString &hex, QString &output, const QByteArray &iv) const;

private:
    bool run(bool encrypt, const QByteArray &input, QByteArray &output, const QByteArray &iv) const;

    QByteArray m_key;
    const EVP_CIPHER *m_cipher;
};
