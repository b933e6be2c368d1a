#pragma once

#include <QByteArray>

#include <openssl/types.h>

// Streaming symmetric cipher (AES-256-CBC with PKCS#7 padding in this client)
// that collects its output in an internal buffer. One object serves one
// encryption or one decryption: init once, update per chunk, final once;
// takeResult() may be called after any step, so output can be streamed on.
class CipherCalculator
{
public:
    CipherCalculator();
    virtual ~CipherCalculator();
    CipherCalculator(const CipherCalculator &) = delete;
    CipherCalculator &operator=(const CipherCalculator &) = delete;

    // The cipher of this client.
    static const EVP_CIPHER *aes256Cbc();

    // The key and IV must have exactly the lengths the cipher needs (32 and
    // 16 bytes for AES-256-CBC); anything else is refused.
    bool initEncrypt(const EVP_CIPHER *cipher, const QByteArray &key, const QByteArray &iv);
    bool initDecrypt(const EVP_CIPHER *cipher, const QByteArray &key, const QByteArray &iv);

    bool updateEncrypt(const QByteArray &data) { return updateEncrypt(data.constData(), data.size()); }
    bool updateDecrypt(const QByteArray &data) { return updateDecrypt(data.constData(), data.size()); }
    bool updateEncrypt(const char *data, int size);
    bool updateDecrypt(const char *data, int size);

    // Encryption adds the padding; decryption checks and removes it and fails
    // on bad padding or on input that is not a whole number of blocks.
    bool finalEncrypt();
    bool finalDecrypt();

    // Hands out the output collected so far and starts an empty buffer.
    QByteArray takeResult();

private:
    bool init(bool encrypt, const EVP_CIPHER *cipher, const QByteArray &key, const QByteArray &iv);
    bool update(bool encrypt, const char *data, int size, int headroom);
    bool finish(bool encrypt);
    bool reserve(qint64 needed);

    EVP_CIPHER_CTX *m_ctx;
    QByteArray m_buffer;
    qint32 m_used = 0;
    bool m_started = false;
    bool m_encrypt = false;
};
