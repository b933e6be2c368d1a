#include "sync/Crypto.h"

#include "sync/TransportCipher.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <stdexcept>

bool deriveKeyPbkdf2(const char *password, int passwordLength, const unsigned char *salt, int saltLength,
                     int iterations, unsigned char *out)
{
    if (passwordLength < 0 || saltLength < 0 || iterations < 1 || !out)
        return false;
    return PKCS5_PBKDF2_HMAC(password, passwordLength, salt, saltLength, iterations, EVP_sha256(), 32, out) == 1;
}

bool deriveKeyPbkdf2(const QByteArray &password, const QByteArray &salt, int iterations, QByteArray &out)
{
    QByteArray derived(32, Qt::Uninitialized);
    if (!deriveKeyPbkdf2(password.constData(), password.size(),
                         reinterpret_cast<const unsigned char *>(salt.constData()), salt.size(), iterations,
                         reinterpret_cast<unsigned char *>(derived.data())))
        return false;
    out = derived;
    return true;
}

QByteArray randomBytes(int n)
{
    QByteArray bytes(qMax(n, 0), Qt::Uninitialized);
    // Uninitialised memory must never become a key or an IV: without entropy
    // the caller gets nothing, and its length checks refuse to go on.
    if (!bytes.isEmpty() && RAND_bytes(reinterpret_cast<unsigned char *>(bytes.data()), bytes.size()) != 1) {
        qCritical("randomBytes: the random generator failed");
        return QByteArray();
    }
    return bytes;
}

QByteArray hmacSha256(const QByteArray &key, const QByteArray &message)
{
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (!HMAC(EVP_sha256(), key.constData(), key.size(), reinterpret_cast<const unsigned char *>(message.constData()),
              size_t(message.size()), mac, &len))
        return QByteArray();
    return QByteArray(reinterpret_cast<const char *>(mac), int(len));
}

namespace {
const TransportCipher &storedValueCipher()
{
    static const TransportCipher cipher(
        QByteArray::fromHex("3f9c2e71a8d04b56c1e7f02a9b4d6e83a5c17f20e9b38d4a6c0f15e27d9a4b61"));
    return cipher;
}

const QByteArray &storedValueIv()
{
    static const QByteArray iv = QByteArray::fromHex("7b1e04c9f2a85d36e0c4a91b25f7d8e3");
    return iv;
}
} // namespace

QString encryptStoredValue(const QString &value)
{
    if (value.isEmpty())
        return value;
    QString out;
    if (!storedValueCipher().encryptToHex(value, out, storedValueIv()))
        throw std::runtime_error("Unable to encrypt");
    return out;
}

QString decryptStoredValue(const QString &value)
{
    if (value.isEmpty())
        return value;
    QString out;
    if (!storedValueCipher().decryptFromHex(value, out, storedValueIv()))
        throw std::runtime_error("Unable to decrypt");
    return out;
}
