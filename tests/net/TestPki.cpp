#include "TestPki.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <atomic>

namespace {
std::atomic<long> s_serial{1000};

// What `write` puts into a memory BIO, as PEM text.
template<typename Write>
QByteArray toPem(Write write)
{
    BIO *bio = BIO_new(BIO_s_mem());
    QByteArray out;
    if (bio && write(bio) == 1) {
        char *data = nullptr;
        const long n = BIO_get_mem_data(bio, &data);
        out = QByteArray(data, int(n));
    }
    BIO_free(bio);
    return out;
}
QByteArray toPem(X509 *cert)
{
    return toPem([cert](BIO *bio) { return PEM_write_bio_X509(bio, cert); });
}

bool addExtension(X509 *cert, X509 *issuer, int nid, const QByteArray &value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.constData());
    if (!ext)
        return false;
    const bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

// A certificate for a fresh EC P-256 key, named `cn`, valid from an hour
// ago for ten years; null when the key could not be made.
X509 *newCertificate(EVP_PKEY *&key, const QString &cn)
{
    key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
    if (!key)
        return nullptr;
    X509 *cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), ++s_serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 10L * 365 * 24 * 3600);
    X509_set_pubkey(cert, key);
    X509_NAME *name = X509_get_subject_name(cert);
    const QByteArray cnUtf8 = cn.toUtf8();
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8, reinterpret_cast<const unsigned char *>("Korvex Tests"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char *>(cnUtf8.constData()), -1, -1, 0);
    return cert;
}
} // namespace

struct TestPki::Impl
{
    EVP_PKEY *key = nullptr;
    X509 *cert = nullptr;
    ~Impl()
    {
        X509_free(cert);
        EVP_PKEY_free(key);
    }
};

TestPki::TestPki(const QString &commonName)
    : d(std::make_unique<Impl>())
{
    X509 *cert = newCertificate(d->key, commonName);
    if (!cert)
        return;
    X509_set_issuer_name(cert, X509_get_subject_name(cert));
    const bool ok = addExtension(cert, cert, NID_basic_constraints, "critical,CA:TRUE")
                    && addExtension(cert, cert, NID_key_usage, "critical,keyCertSign,cRLSign")
                    && addExtension(cert, cert, NID_subject_key_identifier, "hash")
                    && X509_sign(cert, d->key, EVP_sha256()) > 0;
    if (ok)
        d->cert = cert;
    else
        X509_free(cert);
}

TestPki::~TestPki() = default;

bool TestPki::isNull() const
{
    return !d->cert;
}

QByteArray TestPki::caPem() const
{
    return d->cert ? toPem(d->cert) : QByteArray();
}

TestPki::Leaf TestPki::issue(const QStringList &dnsNames) const
{
    Leaf leaf;
    if (!d->cert)
        return leaf;
    EVP_PKEY *key = nullptr;
    X509 *cert = newCertificate(key, dnsNames.value(0));
    if (!cert)
        return leaf;
    X509_set_issuer_name(cert, X509_get_subject_name(d->cert));
    QStringList san;
    for (const QString &n : dnsNames)
        san << QStringLiteral("DNS:") + n;
    const bool ok = addExtension(cert, d->cert, NID_basic_constraints, "critical,CA:FALSE")
                    && addExtension(cert, d->cert, NID_key_usage, "critical,digitalSignature,keyAgreement")
                    && addExtension(cert, d->cert, NID_ext_key_usage, "serverAuth")
                    && (san.isEmpty() || addExtension(cert, d->cert, NID_subject_alt_name, san.join(QLatin1Char(',')).toUtf8()))
                    && X509_sign(cert, d->key, EVP_sha256()) > 0;
    if (ok) {
        leaf.certificatePem = toPem(cert);
        leaf.keyPem = toPem([key](BIO *bio) { return PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr); });
    }
    X509_free(cert);
    EVP_PKEY_free(key);
    return leaf;
}
