#include "DriveConfig.h"

#include <QDir>
#include <QRegularExpression>

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/kdf.h>
#include <openssl/params.h>

DriveConfig::~DriveConfig()
{
    OPENSSL_cleanse(m_key.data(), size_t(m_key.size()));
}

bool DriveConfig::read(const QProcessEnvironment &env, QString *error)
{
    m_mount = env.value(QStringLiteral("KORVEX_MOUNT"));
    m_storage = env.value(QStringLiteral("KORVEX_STORAGE"));
    m_logFile = env.value(QStringLiteral("KORVEX_LOG_FILE"));
    m_logLevel = env.value(QStringLiteral("KORVEX_LOG_LEVEL"), QStringLiteral("INFO"));
    m_brand = env.value(QStringLiteral("KORVEX_BRAND"));
    const QString method = env.value(QStringLiteral("KORVEX_METHOD"), QStringLiteral("aes128"));

    if (m_mount.isEmpty() || m_storage.isEmpty()) {
        *error = QStringLiteral("KORVEX_MOUNT and KORVEX_STORAGE are required");
        return false;
    }
    m_mount = QDir::cleanPath(QDir::fromNativeSeparators(m_mount));
    m_storage = QDir::cleanPath(QDir::fromNativeSeparators(m_storage));
    if (!QDir::isAbsolutePath(m_mount) || !QDir::isAbsolutePath(m_storage) || m_mount == m_storage) {
        *error = QStringLiteral("KORVEX_MOUNT and KORVEX_STORAGE must be two different absolute paths");
        return false;
    }
    if (method != QLatin1String("aes128")) {
        *error = QStringLiteral("KORVEX_METHOD '%1' is not supported (only aes128)").arg(method);
        return false;
    }
    // 16 bytes as 32 hex digits; nothing of a wrong value goes into the error.
    const QByteArray hex = env.value(QStringLiteral("KORVEX_KEY")).toLatin1();
    static const QRegularExpression keyPattern(QStringLiteral("^[0-9a-fA-F]{32}$"));
    if (hex.isEmpty()) {
        *error = QStringLiteral("KORVEX_KEY is missing");
        return false;
    }
    if (!keyPattern.match(QString::fromLatin1(hex)).hasMatch()) {
        *error = QStringLiteral("KORVEX_KEY is not 32 hexadecimal digits");
        return false;
    }
    m_key = QByteArray::fromHex(hex);
    return true;
}

QByteArray DriveConfig::gocryptfsPassword() const
{
    QByteArray secret = hkdfSha256(m_key, QByteArrayLiteral("korvex-drive"), QByteArrayLiteral("gocryptfs password"), 32);
    if (secret.isEmpty())
        return QByteArray();
    const QByteArray password = secret.toHex();
    OPENSSL_cleanse(secret.data(), size_t(secret.size()));
    return password;
}

QByteArray DriveConfig::hkdfSha256(const QByteArray &key, const QByteArray &salt, const QByteArray &info, int length)
{
    EVP_KDF *kdf = EVP_KDF_fetch(nullptr, "HKDF", nullptr);
    if (!kdf)
        return QByteArray();
    EVP_KDF_CTX *ctx = EVP_KDF_CTX_new(kdf);
    EVP_KDF_free(kdf);
    if (!ctx)
        return QByteArray();
    char digest[] = "SHA256";
    QByteArray k = key, s = salt, i = info; // the parameters want non-const buffers
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY, k.data(), size_t(k.size())),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, s.data(), size_t(s.size())),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, i.data(), size_t(i.size())),
        OSSL_PARAM_construct_end(),
    };
    QByteArray out(length, Qt::Uninitialized);
    const bool ok = EVP_KDF_derive(ctx, reinterpret_cast<unsigned char *>(out.data()), size_t(length), params) == 1;
    EVP_KDF_CTX_free(ctx);
    OPENSSL_cleanse(k.data(), size_t(k.size()));
    return ok ? out : QByteArray();
}
