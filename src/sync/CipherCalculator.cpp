#include "sync/CipherCalculator.h"

#include <openssl/evp.h>

#include <limits>

CipherCalculator::CipherCalculator()
    : m_ctx(EVP_CIPHER_CTX_new())
{
}

CipherCalculator::~CipherCalculator()
{
    EVP_CIPHER_CTX_free(m_ctx);
}

const EVP_CIPHER *CipherCalculator::aes256Cbc()
{
    return EVP_aes_256_cbc();
}

bool CipherCalculator::initEncrypt(const EVP_CIPHER *cipher, const QByteArray &key, const QByteArray &iv)
{
    return init(true, cipher, key, iv);
}

bool CipherCalculator::initDecrypt(const EVP_CIPHER *cipher, const QByteArray &key, const QByteArray &iv)
{
    return init(false, cipher, key, iv);
}

bool CipherCalculator::init(bool encrypt, const EVP_CIPHER *cipher, const QByteArray &key, const QByteArray &iv)
{
    m_started = false;
    // The library reads as many key and IV bytes as the cipher needs; a
    // shorter array would be read past its end.
    if (!m_ctx || !cipher || key.size() != EVP_CIPHER_get_key_length(cipher)
        || iv.size() != EVP_CIPHER_get_iv_length(cipher))
        return false;
    const auto *k = reinterpret_cast<const unsigned char *>(key.constData());
    const auto *v = reinterpret_cast<const unsigned char *>(iv.constData());
    const int ok = encrypt ? EVP_EncryptInit_ex(m_ctx, cipher, nullptr, k, v)
                           : EVP_DecryptInit_ex(m_ctx, cipher, nullptr, k, v);
    m_started = ok == 1;
    m_encrypt = encrypt;
    return m_started;
}

bool CipherCalculator::reserve(qint64 needed)
{
    if (needed > std::numeric_limits<int>::max() - 32)
        return false;
    // Grow only when the next write might not fit, so equal chunks allocate once.
    if (m_buffer.size() < needed)
        m_buffer.resize(int(needed));
    return true;
}

bool CipherCalculator::update(bool encrypt, const char *data, int size, int headroom)
{
    if (!m_started || encrypt != m_encrypt || size < 0 || !reserve(qint64(m_used) + size + headroom))
        return false;
    auto *out = reinterpret_cast<unsigned char *>(m_buffer.data()) + m_used;
    const auto *in = reinterpret_cast<const unsigned char *>(data);
    int written = 0;
    const int ok = encrypt ? EVP_EncryptUpdate(m_ctx, out, &written, in, size)
                           : EVP_DecryptUpdate(m_ctx, out, &written, in, size);
    if (ok != 1)
        return false;
    m_used += written;
    return true;
}

bool CipherCalculator::updateEncrypt(const char *data, int size)
{
    return update(true, data, size, 32);
}

bool CipherCalculator::updateDecrypt(const char *data, int size)
{
    return update(false, data, size, 128);
}

bool CipherCalculator::finish(bool encrypt)
{
    if (!m_started || encrypt != m_encrypt || !reserve(qint64(m_used) + 32))
        return false;
    m_started = false; // the operation ends here, whatever its outcome
    auto *out = reinterpret_cast<unsigned char *>(m_buffer.data()) + m_used;
    int written = 0;
    const int ok = encrypt ? EVP_EncryptFinal_ex(m_ctx, out, &written) : EVP_DecryptFinal_ex(m_ctx, out, &written);
    if (ok != 1)
        return false;
    m_used += written;
    return true;
}

bool CipherCalculator::finalEncrypt()
{
    return finish(true);
}

bool CipherCalculator::finalDecrypt()
{
    return finish(false);
}

QByteArray CipherCalculator::takeResult()
{
    m_buffer.resize(m_used);
    QByteArray result;
    result.swap(m_buffer);
    m_used = 0;
    return result;
}
