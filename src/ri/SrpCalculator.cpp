#include "ri/SrpCalculator.h"

#include "sync/DigestCalculator.h"

#include <stdexcept>

namespace {
const char kGroupN[] = "eeaf0ab9adb38dd69c33f80afa8fc5e86072618775ff3c0b9ea2314c9c256576d674df7496ea81d3383b4813d692"
                       "c6e0e0d5d8e250b98be48e495c1d6089dad15dc7d7b46154d6b6ce8ef4ad69b15d4982559b297bcf1885c529f566"
                       "660e57ec68edbc3c05726cc02fd4cbf4976eaa9afd5138fe8376435b9fc61d2fc0eb06e3";
} // namespace

SrpCalculator::SrpCalculator(const QString &username, const QString &password)
    : m_md(DigestCalculator::sha256())
    , m_username(username)
    , m_password(password)
{
}

const BigNum &SrpCalculator::N()
{
    static const BigNum n(kGroupN);
    return n;
}

const BigNum &SrpCalculator::g()
{
    static const BigNum two(quint64(2));
    return two;
}

const BigNum &SrpCalculator::k()
{
    static const BigNum three(quint64(3));
    return three;
}

BigNum SrpCalculator::x(const BigNum &s) const
{
    if (s.isZero())
        throw std::runtime_error("Salt missing when counting X");
    if (m_username.isEmpty())
        throw std::runtime_error("Username missing when counting X");
    if (m_password.isEmpty())
        throw std::runtime_error("Password missing when counting X");
    DigestCalculator digest(m_md);
    const QByteArray inner =
        digest.addData(m_username).addData(QByteArrayLiteral(":")).addData(m_password).finalBytes();
    return digest.addData(s).addData(inner).finalBigNum();
}

BigNum SrpCalculator::u(const BigNum &A, const BigNum &B) const
{
    DigestCalculator digest(m_md);
    return digest.addData(A).addData(B).finalBigNum();
}

BigNum SrpCalculator::S(const BigNum &a, const BigNum &B, const BigNum &x, const BigNum &u) const
{
    const BigNum &n = N();
    const BigNum gx = BigNum::modExp(g(), x, n);
    const BigNum kgx = BigNum::modMul(k(), gx, n);
    const BigNum base = BigNum::modSub(B, kgx, n);
    const BigNum ux = BigNum::modMul(u, x, n);
    const BigNum exponent = BigNum::modAdd(a, ux, n);
    return BigNum::modExp(base, exponent, n);
}

BigNum SrpCalculator::M1(const BigNum &s, const BigNum &A, const BigNum &B, const BigNum &K) const
{
    DigestCalculator digest(m_md);
    const QByteArray hN = digest.addData(N()).finalBytes();
    const QByteArray hg = digest.addData(g()).finalBytes();
    QByteArray x(hN.size(), '\0');
    for (int i = 0; i < hN.size(); ++i)
        x[i] = char(hN.at(i) ^ hg.at(i));
    const QByteArray hUser = digest.addData(m_username).finalBytes();
    return digest.addData(x).addData(hUser).addData(s).addData(A).addData(B).addData(K).finalBigNum();
}

BigNum SrpCalculator::hash(const BigNum &value) const
{
    DigestCalculator digest(m_md);
    return digest.addData(value).finalBigNum();
}
