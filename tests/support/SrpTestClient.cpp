#include "SrpTestClient.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

namespace {
const char *kN =
    "EEAF0AB9ADB38DD69C33F80AFA8FC5E86072618775FF3C0B9EA2314C9C256576D674DF7496EA81D3383B4813D692C6E0E0D5D8E250"
    "B98BE48E495C1D6089DAD15DC7D7B46154D6B6CE8EF4AD69B15D4982559B297BCF1885C529F566660E57EC68EDBC3C05726CC02FD4"
    "CBF4976EAA9AFD5138FE8376435B9FC61D2FC0EB06E3";

BIGNUM *groupN()
{
    static BIGNUM *n = [] {
        BIGNUM *v = nullptr;
        BN_hex2bn(&v, kN);
        return v;
    }();
    return n;
}

// g = 2
BIGNUM *generator()
{
    static BIGNUM *g = [] {
        BIGNUM *v = BN_new();
        BN_set_word(v, 2);
        return v;
    }();
    return g;
}

const unsigned char *uc(const QByteArray &b)
{
    return reinterpret_cast<const unsigned char *>(b.constData());
}

QByteArray fromHexStrict(const QByteArray &hex, bool *ok)
{
    *ok = !hex.isEmpty();
    for (char c : hex)
        *ok = *ok && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
    return QByteArray::fromHex(hex.size() % 2 ? "0" + hex : hex);
}
} // namespace

SrpTestClient::Bn SrpTestClient::bn(const QByteArray &b)
{
    return Bn(BN_bin2bn(uc(b), b.size(), nullptr), BN_clear_free);
}

QByteArray SrpTestClient::bytes(const BIGNUM *n)
{
    QByteArray out(BN_num_bytes(n), '\0');
    BN_bn2bin(n, reinterpret_cast<unsigned char *>(out.data()));
    return out;
}

QByteArray SrpTestClient::sha256(const QByteArray &data)
{
    unsigned char md[32];
    unsigned int len = 0;
    EVP_Digest(data.constData(), static_cast<size_t>(data.size()), md, &len, EVP_sha256(), nullptr);
    return QByteArray(reinterpret_cast<char *>(md), 32);
}

QByteArray SrpTestClient::aesCbc(bool encrypt, const QByteArray &key, const QByteArray &iv, const QByteArray &in,
                                 bool *ok)
{
    *ok = false;
    if (key.size() != 32 || iv.size() != 16)
        return {};
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    QByteArray out(in.size() + 32, '\0');
    int n1 = 0;
    int n2 = 0;
    auto *o = reinterpret_cast<unsigned char *>(out.data());
    *ok = EVP_CipherInit_ex(ctx, EVP_aes_256_cbc(), nullptr, uc(key), uc(iv), encrypt ? 1 : 0) == 1
        && EVP_CipherUpdate(ctx, o, &n1, uc(in), in.size()) == 1 && EVP_CipherFinal_ex(ctx, o + n1, &n2) == 1;
    EVP_CIPHER_CTX_free(ctx);
    out.resize(*ok ? n1 + n2 : 0);
    return out;
}

SrpTestClient::SrpTestClient(const QString &username, const QString &password, const QByteArray &aHex)
    : m_user(username.toLower().toUtf8()), m_password(password.toUtf8()), m_a(BN_new(), BN_clear_free),
      m_A(BN_new(), BN_clear_free), m_s(BN_new(), BN_clear_free), m_B(BN_new(), BN_clear_free)
{
    if (aHex.isEmpty()) {
        unsigned char r[32];
        RAND_bytes(r, sizeof r);
        BN_bin2bn(r, sizeof r, m_a.get());
    } else {
        BIGNUM *a = m_a.get();
        BN_hex2bn(&a, aHex.constData());
    }
    BN_CTX *ctx = BN_CTX_new();
    BN_mod_exp(m_A.get(), generator(), m_a.get(), groupN(), ctx);
    BN_CTX_free(ctx);
}

SrpTestClient::~SrpTestClient() = default;

QByteArray SrpTestClient::hexA() const
{
    return bytes(m_A.get()).toHex();
}

bool SrpTestClient::setServerValues(const QByteArray &saltHex, const QByteArray &bHex)
{
    bool okS = false;
    bool okB = false;
    const QByteArray s = fromHexStrict(saltHex, &okS);
    const QByteArray b = fromHexStrict(bHex, &okB);
    if (!okS || !okB)
        return false;
    BN_bin2bn(uc(s), s.size(), m_s.get());
    BN_bin2bn(uc(b), b.size(), m_B.get());

    BN_CTX *ctx = BN_CTX_new();
    const auto fresh = [] { return Bn(BN_new(), BN_clear_free); };
    Bn k = fresh(), gx = fresh(), kgx = fresh(), base = fresh(), ux = fresh(), exp = fresh(), S = fresh();
    BN_set_word(k.get(), 3);
    // x = H(s | H(user ":" password)), u = H(A | B)
    const Bn x = bn(sha256(bytes(m_s.get()) + sha256(m_user + ':' + m_password)));
    const Bn u = bn(sha256(bytes(m_A.get()) + bytes(m_B.get())));
    // S = (B - k * g^x) ^ (a + u * x) mod N
    const bool good = BN_mod_exp(gx.get(), generator(), x.get(), groupN(), ctx) && BN_mod_mul(kgx.get(), k.get(), gx.get(), groupN(), ctx)
        && BN_mod_sub(base.get(), m_B.get(), kgx.get(), groupN(), ctx) && BN_mul(ux.get(), u.get(), x.get(), ctx)
        && BN_add(exp.get(), m_a.get(), ux.get()) && BN_mod_exp(S.get(), base.get(), exp.get(), groupN(), ctx);
    BN_CTX_free(ctx);
    if (!good)
        return false;
    m_key = sha256(bytes(S.get()));
    return true;
}

QByteArray SrpTestClient::hexM1() const
{
    const QByteArray hN = sha256(bytes(groupN()));
    const QByteArray hg = sha256(bytes(generator()));
    QByteArray x(32, '\0');
    for (int i = 0; i < 32; ++i)
        x[i] = static_cast<char>(hN[i] ^ hg[i]);
    const Bn K = bn(m_key);
    const QByteArray m1 = sha256(x + sha256(m_user) + bytes(m_s.get()) + bytes(m_A.get()) + bytes(m_B.get()) + bytes(K.get()));
    return bytes(bn(m1).get()).toHex();
}

QByteArray SrpTestClient::encryptHex(const QByteArray &plain, int ivOffset) const
{
    const QByteArray iv = QByteArray::fromHex(hexA().mid(ivOffset, 32));
    bool ok = false;
    const QByteArray cipherText = aesCbc(true, m_key, iv, plain, &ok);
    return ok ? cipherText.toHex() : QByteArray();
}

QByteArray SrpTestClient::userKeyHex(int iterations) const
{
    const QByteArray salt = bytes(m_s.get());
    QByteArray key(32, '\0');
    PKCS5_PBKDF2_HMAC(m_password.constData(), m_password.size(), uc(salt), salt.size(), iterations, EVP_sha256(), 32,
                      reinterpret_cast<unsigned char *>(key.data()));
    return encryptHex(key, 32);
}

QByteArray SrpTestClient::hmacHex(const QByteArray &message) const
{
    unsigned char mac[32];
    unsigned int len = 0;
    HMAC(EVP_sha256(), m_key.constData(), m_key.size(), uc(message), static_cast<size_t>(message.size()), mac, &len);
    return QByteArray(reinterpret_cast<char *>(mac), 32).toHex();
}
