#include "app/PasswordCheck.h"

#include "sync/Crypto.h"

#include <openssl/crypto.h>

namespace {
// The UTF-8 bytes in their full length: a multi-byte character counts with
// all its bytes, not as one.
bool derive(const QString &password, const QByteArray &salt, QByteArray &out)
{
    QByteArray utf8 = password.toUtf8();
    const bool ok = deriveKeyPbkdf2(utf8, salt, PasswordCheck::Iterations, out);
    OPENSSL_cleanse(utf8.data(), size_t(utf8.size()));
    return ok;
}

void wipe(QByteArray &bytes)
{
    if (!bytes.isEmpty())
        OPENSSL_cleanse(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}
} // namespace

PasswordCheck::~PasswordCheck()
{
    clear();
}

void PasswordCheck::clear()
{
    wipe(m_salt);
    wipe(m_digest);
}

bool PasswordCheck::storePasswordHash(const QString &password)
{
    clear();
    QByteArray salt = randomBytes(SaltLength);
    QByteArray digest;
    if (salt.size() != SaltLength || !derive(password, salt, digest))
        return false;
    m_salt = salt;
    m_digest = digest;
    return true;
}

bool PasswordCheck::checkPassword(const QString &password) const
{
    if (!hasPassword())
        return false;
    QByteArray digest;
    if (!derive(password, m_salt, digest) || digest.size() != DigestLength)
        return false;
    // Constant time: how far a guess matched must not show in the timing.
    const bool equal = CRYPTO_memcmp(digest.constData(), m_digest.constData(), size_t(DigestLength)) == 0;
    OPENSSL_cleanse(digest.data(), size_t(digest.size()));
    return equal;
}
