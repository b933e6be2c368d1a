#pragma once

#include "sync/BigNum.h"

#include <QString>

#include <openssl/types.h>

// The group, hash and formulas of the login handshake: SHA-256, the 1024-bit
// group of RFC 5054 with g = 2, and the constant multiplier k = 3.
// Big numbers enter a hash as their minimal unsigned big-endian magnitude.
class SrpCalculator
{
public:
    SrpCalculator(const QString &username, const QString &password);

    static const BigNum &N();
    static const BigNum &g();
    static const BigNum &k();

    // x = H(s | H(username | ":" | password)). Throws "Salt missing when
    // counting X", "Username missing when counting X" or "Password missing
    // when counting X".
    BigNum x(const BigNum &s) const;
    // u = H(A | B)
    BigNum u(const BigNum &A, const BigNum &B) const;
    // S = (B - k*(g^x mod N)) ^ (a + u*x) mod N, every intermediate reduced mod N.
    BigNum S(const BigNum &a, const BigNum &B, const BigNum &x, const BigNum &u) const;
    // M1 = H((H(N) xor H(g)) | H(username) | s | A | B | K)
    BigNum M1(const BigNum &s, const BigNum &A, const BigNum &B, const BigNum &K) const;
    // H of one big number, as a number.
    BigNum hash(const BigNum &value) const;

    const QString &username() const { return m_username; }
    const QString &password() const { return m_password; }

private:
    const EVP_MD *m_md;
    QString m_username;
    QString m_password;
};
