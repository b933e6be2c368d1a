#include "SecretBox.h"

#include "Srp.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>

namespace {
constexpr int kNonce = 12;
constexpr int kTag = 16;
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;
} // namespace

std::optional<std::string> SecretBox::seal(const std::string &plain) const
{
    if (m_key.size() != 32)
        return std::nullopt;
    std::string out(kNonce + plain.size() + kTag, '\0');
    auto *nonce = reinterpret_cast<unsigned char *>(&out[0]);
    if (RAND_bytes(nonce, kNonce) != 1)
        return std::nullopt;
    CipherCtx ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    int len = 0;
    if (!ctx
        || EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr,
                              reinterpret_cast<const unsigned char *>(m_key.data()), nonce) != 1
        || EVP_EncryptUpdate(ctx.get(), nonce + kNonce, &len, reinterpret_cast<const unsigned char *>(plain.data()),
                             static_cast<int>(plain.size())) != 1
        || EVP_EncryptFinal_ex(ctx.get(), nonce + kNonce + len, &len) != 1
        || EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kTag, nonce + kNonce + plain.size()) != 1)
        return std::nullopt;
    return out;
}

std::optional<std::string> SecretBox::open(const std::string &sealed) const
{
    if (m_key.size() != 32 || sealed.size() < static_cast<size_t>(kNonce + kTag))
        return std::nullopt;
    const auto *in = reinterpret_cast<const unsigned char *>(sealed.data());
    const int cipherLength = static_cast<int>(sealed.size()) - kNonce - kTag;
    std::string plain(static_cast<size_t>(cipherLength), '\0');
    CipherCtx ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    int len = 0;
    std::string tag = sealed.substr(sealed.size() - kTag);
    if (!ctx
        || EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr,
                              reinterpret_cast<const unsigned char *>(m_key.data()), in) != 1
        || EVP_DecryptUpdate(ctx.get(), reinterpret_cast<unsigned char *>(&plain[0]), &len, in + kNonce,
                             cipherLength) != 1
        || EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kTag, &tag[0]) != 1
        || EVP_DecryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char *>(&plain[0]) + len, &len) != 1)
        return std::nullopt;
    return plain;
}

std::string SecretBox::derive(const std::string &label) const
{
    return Srp::hash({m_key, label});
}
