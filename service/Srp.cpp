#include "Srp.h"

#include "Random.h"
#include "WireFormat.h"
#include "sync/DigestCalculator.h"

#include <openssl/crypto.h>

namespace Srp {

namespace {
const char *kGroupHex =
    "EEAF0AB9ADB38DD69C33F80AFA8FC5E86072618775FF3C0B9EA2314C9C256576D674DF7496EA81D3383B4813D692C6E0E0D5D8E250"
    "B98BE48E495C1D6089DAD15DC7D7B46154D6B6CE8EF4AD69B15D4982559B297BCF1885C529F566660E57EC68EDBC3C05726CC02FD4"
    "CBF4976EAA9AFD5138FE8376435B9FC61D2FC0EB06E3";

struct CtxDeleter
{
    void operator()(BN_CTX *c) const { BN_CTX_free(c); }
};
using CtxPtr = std::unique_ptr<BN_CTX, CtxDeleter>;

BnPtr newBn()
{
    return BnPtr(BN_new(), BN_clear_free);
}
} // namespace

BnPtr fromBytes(const std::string &bytes)
{
    return BnPtr(BN_bin2bn(reinterpret_cast<const unsigned char *>(bytes.data()), static_cast<int>(bytes.size()),
                           nullptr),
                 BN_clear_free);
}

std::string toBytes(const BIGNUM *n)
{
    std::string out(static_cast<size_t>(BN_num_bytes(n)), '\0');
    if (!out.empty())
        BN_bn2bin(n, reinterpret_cast<unsigned char *>(&out[0]));
    return out;
}

std::string toHex(const BIGNUM *n)
{
    return WireFormat::toHex(toBytes(n));
}

std::optional<std::string> bytesFromHexNumber(const std::string &hex)
{
    if (hex.empty() || hex.size() > 2048)
        return std::nullopt;
    std::string even = hex.size() % 2 ? "0" + hex : hex;
    auto bytes = WireFormat::fromHex(even);
    if (!bytes)
        return std::nullopt;
    // Leading zero bytes are not part of the number.
    const size_t first = bytes->find_first_not_of('\0');
    return first == std::string::npos ? std::string() : bytes->substr(first);
}

const BIGNUM *N()
{
    static const BIGNUM *n = [] {
        BIGNUM *value = nullptr;
        BN_hex2bn(&value, kGroupHex);
        return value;
    }();
    return n;
}

const BIGNUM *g()
{
    static const BIGNUM *value = [] {
        BIGNUM *two = BN_new();
        BN_set_word(two, 2);
        return two;
    }();
    return value;
}

std::string hash(std::initializer_list<std::string> parts)
{
    DigestCalculator digest(DigestCalculator::sha256());
    for (const std::string &part : parts)
        digest.addData(QByteArray::fromRawData(part.data(), static_cast<int>(part.size())));
    const QByteArray out = digest.finalBytes();
    return std::string(out.constData(), static_cast<size_t>(out.size()));
}

std::string verifier(const std::string &username, const std::string &password, const std::string &salt)
{
    const std::string inner = hash({username, ":", password});
    BnPtr x = fromBytes(hash({salt, inner}));
    BnPtr v = newBn();
    CtxPtr ctx(BN_CTX_new());
    BN_mod_exp(v.get(), g(), x.get(), N(), ctx.get());
    return toBytes(v.get());
}

std::unique_ptr<ServerHandshake> ServerHandshake::begin(const std::string &verifierBytes, const std::string &aBytes,
                                                        std::string &why)
{
    CtxPtr ctx(BN_CTX_new());
    BnPtr A = fromBytes(aBytes);
    BnPtr rem = newBn();
    if (!A || !BN_mod(rem.get(), A.get(), N(), ctx.get()) || BN_is_zero(rem.get())) {
        why = "the client's public value is not acceptable";
        return nullptr;
    }
    auto hs = std::unique_ptr<ServerHandshake>(new ServerHandshake());
    hs->m_v = verifierBytes;
    hs->m_A = toBytes(A.get());
    BnPtr v = fromBytes(verifierBytes);
    BnPtr b = newBn();
    BnPtr B = newBn();
    BnPtr gb = newBn();
    BnPtr kv = newBn();
    BnPtr k = newBn();
    BN_set_word(k.get(), 3);
    do {
        unsigned char secret[32];
        Random::fill(secret, sizeof secret);
        BN_bin2bn(secret, sizeof secret, b.get());
        OPENSSL_cleanse(secret, sizeof secret);
        if (!BN_mod_exp(gb.get(), g(), b.get(), N(), ctx.get()) || !BN_mod_mul(kv.get(), k.get(), v.get(), N(), ctx.get())
            || !BN_mod_add(B.get(), kv.get(), gb.get(), N(), ctx.get())) {
            why = "big-number arithmetic failed";
            return nullptr;
        }
    } while (BN_is_zero(B.get()));
    hs->m_b = toBytes(b.get());
    hs->m_B = toBytes(B.get());
    return hs;
}

std::optional<ServerHandshake::Proof> ServerHandshake::verify(const std::string &username, const std::string &salt,
                                                              const std::string &m1Bytes) const
{
    CtxPtr ctx(BN_CTX_new());
    BnPtr u = fromBytes(hash({m_A, m_B}));
    if (BN_is_zero(u.get()))
        return std::nullopt;
    // S = (A * v^u)^b mod N
    BnPtr A = fromBytes(m_A);
    BnPtr v = fromBytes(m_v);
    BnPtr b = fromBytes(m_b);
    BnPtr vu = newBn();
    BnPtr base = newBn();
    BnPtr S = newBn();
    if (!BN_mod_exp(vu.get(), v.get(), u.get(), N(), ctx.get()) || !BN_mod_mul(base.get(), A.get(), vu.get(), N(), ctx.get())
        || !BN_mod_exp(S.get(), base.get(), b.get(), N(), ctx.get()))
        return std::nullopt;
    const std::string key = hash({toBytes(S.get())}); // 32 bytes
    BnPtr K = fromBytes(key);
    const std::string hN = hash({toBytes(N())});
    const std::string hg = hash({toBytes(g())});
    std::string x(32, '\0');
    for (size_t i = 0; i < 32; ++i)
        x[i] = static_cast<char>(hN[i] ^ hg[i]);
    const std::string expected = hash({x, hash({username}), salt, m_A, m_B, toBytes(K.get())});
    // The client's M1 arrives as a number; compare as numbers of 32 bytes.
    std::string given = m1Bytes;
    if (given.size() < 32)
        given.insert(0, 32 - given.size(), '\0');
    if (!WireFormat::equalSecrets(expected, given))
        return std::nullopt;
    Proof proof;
    proof.key = key;
    proof.m2 = hash({m_A, toBytes(fromBytes(expected).get()), toBytes(K.get())});
    return proof;
}

} // namespace Srp
