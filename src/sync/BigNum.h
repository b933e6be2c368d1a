#pragma once

#include <QByteArray>
#include <QString>

#include <openssl/types.h>

#include <optional>

// Owning value wrapper of one OpenSSL big number, used by the login handshake.
// Library failures throw std::runtime_error whose text starts with the
// operation's name ("Modular exponentiation", "BN value allocation", ...).
class BigNum
{
public:
    BigNum(); // zero
    explicit BigNum(quint64 value);
    // Hexadecimal digits, upper or lower case; the empty text is zero. Anything
    // else (signs, blanks, other characters) throws "BN hex parse: ...".
    explicit BigNum(const QString &hex);
    explicit BigNum(const QByteArray &utf8Hex);
    explicit BigNum(const char *hex);
    BigNum(const BigNum &other);
    BigNum(BigNum &&other) noexcept;
    BigNum &operator=(const BigNum &other);
    BigNum &operator=(BigNum &&other) noexcept;
    ~BigNum();

    // Like the text constructors, but an invalid text is an empty optional.
    static std::optional<BigNum> fromHex(const QString &hex);
    // An unsigned big-endian magnitude; leading zero bytes do not matter.
    static BigNum fromBytes(const QByteArray &bigEndian);

    // Lower-case hex of the magnitude, two digits per byte, no leading zero
    // bytes; zero is the empty text.
    QString toHex() const;
    // The minimal unsigned big-endian magnitude (empty for zero).
    QByteArray toBytes() const;
    int numBits() const;
    bool isZero() const;

    // Results lie in [0, m).
    static BigNum modExp(const BigNum &a, const BigNum &p, const BigNum &m);
    static BigNum modMul(const BigNum &a, const BigNum &b, const BigNum &m);
    static BigNum modAdd(const BigNum &a, const BigNum &b, const BigNum &m);
    static BigNum modSub(const BigNum &a, const BigNum &b, const BigNum &m);

    int compare(const BigNum &other) const;
    bool operator==(const BigNum &o) const { return compare(o) == 0; }
    bool operator!=(const BigNum &o) const { return compare(o) != 0; }
    bool operator<(const BigNum &o) const { return compare(o) < 0; }
    bool operator<=(const BigNum &o) const { return compare(o) <= 0; }
    bool operator>(const BigNum &o) const { return compare(o) > 0; }
    bool operator>=(const BigNum &o) const { return compare(o) >= 0; }

    const BIGNUM *get() const { return m_bn; }

private:
    struct Adopt
    {
    };
    BigNum(BIGNUM *bn, Adopt);
    using ModOp = int (*)(BIGNUM *, const BIGNUM *, const BIGNUM *, const BIGNUM *, BN_CTX *);
    static std::optional<BigNum> parseHex(const QByteArray &text);
    static BigNum modOp(ModOp op, const char *name, const BigNum &a, const BigNum &b, const BigNum &m);

    BIGNUM *m_bn;
};
