#include "ri/SrpClient.h"

#include "sync/Crypto.h"
#include "sync/TransportCipher.h"

#include <stdexcept>

namespace {
// A number taken from hex text the server or the caller supplied. Invalid
// text is a protocol error of this handshake, not a crash.
BigNum parseHex(const QString &hex, const char *what)
{
    std::optional<BigNum> value = BigNum::fromHex(hex);
    if (!value)
        throw std::runtime_error(std::string("Invalid hexadecimal value for ") + what);
    return std::move(*value);
}
} // namespace

SrpClient::SrpClient(const QString &username, const QString &password, const QString &aHex)
    : m_username(username)
    , m_password(password)
    , m_calculator(username, password)
    , m_a(aHex.isEmpty() ? BigNum::fromBytes(randomBytes(32)) : parseHex(aHex, "a"))
{
}

QString SrpClient::calculatePubA()
{
    m_A = BigNum::modExp(SrpCalculator::g(), m_a, SrpCalculator::N());
    return m_A.toHex();
}

QByteArray SrpClient::calculateK()
{
    // A server value B = 0 (mod N) would make S predictable without the
    // password; refuse it as every sound SRP client does.
    if (BigNum::modAdd(m_B, BigNum(), SrpCalculator::N()).isZero())
        throw std::runtime_error("Invalid server value B");
    const BigNum x = m_calculator.x(m_s);
    const BigNum u = m_calculator.u(m_A, m_B);
    const BigNum S = m_calculator.S(m_a, m_B, x, u);
    m_K = m_calculator.hash(S);
    return keyBytes();
}

QString SrpClient::calculateM1()
{
    return m_calculator.M1(m_s, m_A, m_B, m_K).toHex();
}

// K is a SHA-256 digest: always 32 bytes, including leading zero bytes that
// the number itself does not keep.
QByteArray SrpClient::keyBytes() const
{
    QByteArray bytes = m_K.toBytes();
    if (bytes.size() < 32)
        bytes.prepend(QByteArray(32 - bytes.size(), '\0'));
    return bytes;
}

int SrpClient::userKeyIterations(const QString &brand)
{
    return brand == QLatin1String("telvo") ? 15000 : 500;
}

QByteArray SrpClient::ivFromA(int from) const
{
    return QByteArray::fromHex(m_A.toHex().mid(from, 32).toLatin1());
}

QByteArray SrpClient::encryptUnderK(const QByteArray &plain, int ivFrom) const
{
    QByteArray out;
    if (!TransportCipher(keyBytes()).encryptBytes(plain, out, ivFromA(ivFrom)))
        return {};
    return out;
}

QByteArray SrpClient::calculateUserKey(int iterations) const
{
    QByteArray stretched;
    if (!deriveKeyPbkdf2(m_password.toUtf8(), m_s.toBytes(), iterations, stretched))
        return {};
    return encryptUnderK(stretched, 32);
}

QByteArray SrpClient::encryptTan(const QString &tan) const
{
    return encryptUnderK(tan.toUtf8(), 0);
}

QByteArray SrpClient::encryptDeviceName(const QString &deviceName) const
{
    return encryptUnderK(deviceName.toUtf8(), 64);
}

QString SrpClient::deriveDoubleSec(const QString &previousHex) const
{
    return QString::fromLatin1(hmacSha256(keyBytes(), QByteArray::fromHex(previousHex.toLatin1())).toHex());
}

void SrpClient::setSalt(const QString &hex)
{
    m_s = parseHex(hex, "salt");
}

void SrpClient::setB(const QString &hex)
{
    m_B = parseHex(hex, "B");
}

void SrpClient::setM2(const QString &hex)
{
    m_m2 = parseHex(hex, "m2");
}

void SrpClient::setK(const QString &hex)
{
    m_K = parseHex(hex, "K");
}
