#pragma once

#include "ri/SrpCalculator.h"

#include <QByteArray>
#include <QString>

// The state of one login handshake on the client's side. The computations
// throw std::runtime_error on library failures; LoginRI turns them into the
// failing step.
class SrpClient
{
public:
    // `username` in lower case. Without `aHex` the secret exponent is 32
    // random bytes.
    SrpClient(const QString &username, const QString &password, const QString &aHex = QString());

    // A = g^a mod N, as hex.
    QString calculatePubA();
    // K = H(S); the 32 bytes of the session key.
    QByteArray calculateK();
    // M1 as hex.
    QString calculateM1();
    // The password stretched with the salt (PBKDF2, `iterations`) and
    // encrypted under K; empty on failure.
    QByteArray calculateUserKey(int iterations) const;
    QByteArray encryptTan(const QString &tan) const;
    QByteArray encryptDeviceName(const QString &deviceName) const;
    // hex(HMAC-SHA-256(K, fromHex(previous)))
    QString deriveDoubleSec(const QString &previousHex) const;

    void setSalt(const QString &hex);
    void setB(const QString &hex);
    void setM2(const QString &hex);
    void setK(const QString &hex);

    const QString &username() const { return m_username; }
    const BigNum &A() const { return m_A; }
    const BigNum &salt() const { return m_s; }
    const BigNum &B() const { return m_B; }
    const BigNum &m2() const { return m_m2; }
    QByteArray keyBytes() const;

    // The iteration count of the user key for a brand.
    static int userKeyIterations(const QString &brand);

private:
    // 16 bytes of IV from hex(A) characters [from, from + 32).
    QByteArray ivFromA(int from) const;
    QByteArray encryptUnderK(const QByteArray &plain, int ivFrom) const;

    QString m_username;
    QString m_password;
    SrpCalculator m_calculator;
    BigNum m_a;
    BigNum m_A;
    BigNum m_s;
    BigNum m_B;
    BigNum m_m2;
    BigNum m_K;
};
