#pragma once

#include <QByteArray>
#include <QString>

#include <openssl/bn.h>

#include <memory>

// The client's side of the login mathematics, written again for tests from
// the protocol description alone (OpenSSL BIGNUM and EVP directly, nothing of
// the client's or the service's code): 1024-bit group of RFC 5054, g = 2,
// k = 3, SHA-256, numbers hashed as minimal big-endian magnitudes.
class SrpTestClient
{
public:
    // `aHex` fixes the secret exponent; empty: 32 random bytes.
    SrpTestClient(const QString &username, const QString &password, const QByteArray &aHex = {});
    ~SrpTestClient();

    QByteArray hexA() const;  // lower-case, two digits per byte, no leading zero bytes
    // From the identify reply; false when the values are not hex or the
    // arithmetic fails. Computes S and K.
    bool setServerValues(const QByteArray &saltHex, const QByteArray &bHex);
    QByteArray key() const { return m_key; } // K: the 32 digest bytes of H(S)
    QByteArray hexM1() const;

    // AES-256-CBC under K with the IV cut from hex(A): offset 0 for a TAN,
    // 32 for the user key, 64 for the device name. Lower-case hex out.
    QByteArray encryptHex(const QByteArray &plain, int ivOffset) const;
    // PBKDF2-HMAC-SHA-256 of the password with the salt's bytes, encrypted at offset 32.
    QByteArray userKeyHex(int iterations) const;
    // hex(HMAC-SHA-256(K, message)).
    QByteArray hmacHex(const QByteArray &message) const;

    static QByteArray sha256(const QByteArray &data);
    static QByteArray aesCbc(bool encrypt, const QByteArray &key, const QByteArray &iv, const QByteArray &in, bool *ok);

private:
    using Bn = std::unique_ptr<BIGNUM, decltype(&BN_clear_free)>;
    static Bn bn(const QByteArray &bytes);
    static QByteArray bytes(const BIGNUM *n);

    QByteArray m_user;
    QByteArray m_password;
    Bn m_a;
    Bn m_A;
    Bn m_s;
    Bn m_B;
    QByteArray m_key;
};
