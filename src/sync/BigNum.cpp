#include "sync/BigNum.h"

#include <openssl/bn.h>

#include <memory>
#include <stdexcept>

namespace {
struct CtxDeleter
{
    void operator()(BN_CTX *ctx) const { BN_CTX_free(ctx); }
};

// One context per thread: a context is scratch space that must never be used
// by two threads at once, and the reference service computes on its own
// worker threads.
BN_CTX *context()
{
    thread_local std::unique_ptr<BN_CTX, CtxDeleter> ctx;
    if (!ctx) {
        ctx.reset(BN_CTX_new());
        if (!ctx)
            throw std::runtime_error("BN Context allocation failed");
    }
    return ctx.get();
}

BIGNUM *newValue()
{
    BIGNUM *bn = BN_new();
    if (!bn)
        throw std::runtime_error("BN value allocation failed");
    return bn;
}

// What a moved-from object reads as.
const BIGNUM *zero()
{
    static const std::unique_ptr<BIGNUM, decltype(&BN_free)> z(newValue(), &BN_free);
    return z.get();
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

const BIGNUM *val(const BigNum &b)
{
    return b.get() ? b.get() : zero();
}
} // namespace

BigNum::BigNum()
    : m_bn(newValue())
{
}

BigNum::BigNum(quint64 value)
    : m_bn(newValue())
{
    static_assert(sizeof(BN_ULONG) >= sizeof(quint64), "BN_ULONG holds a 64-bit word");
    if (!BN_set_word(m_bn, static_cast<BN_ULONG>(value))) {
        BN_free(m_bn);
        throw std::runtime_error("BN value allocation failed");
    }
}

BigNum::BigNum(const QString &hex)
    : BigNum(hex.toUtf8())
{
}

BigNum::BigNum(const char *hex)
    : BigNum(QByteArray(hex))
{
}

BigNum::BigNum(const QByteArray &utf8Hex)
    : m_bn(nullptr)
{
    std::optional<BigNum> parsed = parseHex(utf8Hex);
    if (!parsed)
        throw std::runtime_error("BN hex parse: not a hexadecimal number");
    std::swap(m_bn, parsed->m_bn);
}

BigNum::BigNum(BIGNUM *bn, Adopt)
    : m_bn(bn)
{
}

BigNum::BigNum(const BigNum &other)
    : m_bn(BN_dup(val(other)))
{
    if (!m_bn)
        throw std::runtime_error("BN value allocation failed");
}

BigNum::BigNum(BigNum &&other) noexcept
    : m_bn(other.m_bn)
{
    other.m_bn = nullptr;
}

BigNum &BigNum::operator=(const BigNum &other)
{
    if (this != &other) {
        BigNum copy(other);
        std::swap(m_bn, copy.m_bn);
    }
    return *this;
}

BigNum &BigNum::operator=(BigNum &&other) noexcept
{
    std::swap(m_bn, other.m_bn);
    return *this;
}

BigNum::~BigNum()
{
    BN_clear_free(m_bn); // may hold a secret exponent; accepts null
}

std::optional<BigNum> BigNum::parseHex(const QByteArray &text)
{
    for (char c : text)
        if (!isHexDigit(c))
            return std::nullopt;
    BIGNUM *bn = newValue();
    // BN_hex2bn cannot take an empty text; zero is what the empty text means.
    if (!text.isEmpty() && BN_hex2bn(&bn, text.constData()) != text.size()) {
        BN_free(bn);
        throw std::runtime_error("BN value allocation failed");
    }
    return BigNum(bn, Adopt{});
}

std::optional<BigNum> BigNum::fromHex(const QString &hex)
{
    return parseHex(hex.toUtf8());
}

BigNum BigNum::fromBytes(const QByteArray &bigEndian)
{
    BIGNUM *bn = BN_bin2bn(reinterpret_cast<const unsigned char *>(bigEndian.constData()), bigEndian.size(), nullptr);
    if (!bn)
        throw std::runtime_error("BN value allocation failed");
    return BigNum(bn, Adopt{});
}

QByteArray BigNum::toBytes() const
{
    QByteArray out(BN_num_bytes(val(*this)), Qt::Uninitialized);
    BN_bn2bin(val(*this), reinterpret_cast<unsigned char *>(out.data()));
    return out;
}

QString BigNum::toHex() const
{
    return QString::fromLatin1(toBytes().toHex());
}

int BigNum::numBits() const
{
    return BN_num_bits(val(*this));
}

bool BigNum::isZero() const
{
    return BN_is_zero(val(*this));
}

int BigNum::compare(const BigNum &other) const
{
    return BN_cmp(val(*this), val(other));
}

BigNum BigNum::modOp(ModOp op, const char *name, const BigNum &a, const BigNum &b, const BigNum &m)
{
    BigNum r;
    if (!op(r.m_bn, val(a), val(b), val(m), context()))
        throw std::runtime_error(std::string(name) + " failed");
    return r;
}

namespace {
int modExpOp(BIGNUM *r, const BIGNUM *a, const BIGNUM *p, const BIGNUM *m, BN_CTX *ctx)
{
    // The exponent is the handshake's secret; with an odd modulus (every
    // prime group) the constant-time ladder keeps its timing independent of it.
    if (BN_is_odd(m))
        return BN_mod_exp_mont_consttime(r, a, p, m, ctx, nullptr);
    return BN_mod_exp(r, a, p, m, ctx);
}

int modMulOp(BIGNUM *r, const BIGNUM *a, const BIGNUM *b, const BIGNUM *m, BN_CTX *ctx)
{
    return BN_mod_mul(r, a, b, m, ctx);
}

int modAddOp(BIGNUM *r, const BIGNUM *a, const BIGNUM *b, const BIGNUM *m, BN_CTX *ctx)
{
    return BN_mod_add(r, a, b, m, ctx);
}

int modSubOp(BIGNUM *r, const BIGNUM *a, const BIGNUM *b, const BIGNUM *m, BN_CTX *ctx)
{
    return BN_mod_sub(r, a, b, m, ctx);
}
} // namespace

BigNum BigNum::modExp(const BigNum &a, const BigNum &p, const BigNum &m)
{
    return modOp(modExpOp, "Modular exponentiation", a, p, m);
}

BigNum BigNum::modMul(const BigNum &a, const BigNum &b, const BigNum &m)
{
    return modOp(modMulOp, "Modular multiplication", a, b, m);
}

BigNum BigNum::modAdd(const BigNum &a, const BigNum &b, const BigNum &m)
{
    return modOp(modAddOp, "Modular addition", a, b, m);
}

BigNum BigNum::modSub(const BigNum &a, const BigNum &b, const BigNum &m)
{
    return modOp(modSubOp, "Modular substraction", a, b, m);
}
