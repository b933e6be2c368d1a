#include "passwords/SecretWipe.h"

#include <openssl/crypto.h>

namespace SecretWipe {

void wipe(QString &text)
{
    // isDetached() is false for the shared empty string as well; nothing to do there.
    if (!text.isEmpty() && text.isDetached())
        OPENSSL_cleanse(text.data(), size_t(text.size()) * sizeof(QChar));
    text.clear();
}

void wipe(QByteArray &bytes)
{
    if (!bytes.isEmpty() && bytes.isDetached())
        OPENSSL_cleanse(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}

} // namespace SecretWipe
