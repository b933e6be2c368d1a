#include "TlsSetup.h"

#include "Random.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <sys/stat.h>

namespace TlsSetup {

namespace {
using KeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using CertPtr = std::unique_ptr<X509, decltype(&X509_free)>;

constexpr long kDay = 24 * 3600;

bool exists(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

KeyPtr newKey()
{
    return KeyPtr(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"), EVP_PKEY_free);
}

bool writeKey(const std::string &path, EVP_PKEY *key)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    ::chmod(path.c_str(), 0600);
    const bool ok = PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    return std::fclose(f) == 0 && ok;
}

bool writeCert(const std::string &path, X509 *cert)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = PEM_write_X509(f, cert) == 1;
    return std::fclose(f) == 0 && ok;
}

KeyPtr readKey(const std::string &path)
{
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return KeyPtr(nullptr, EVP_PKEY_free);
    EVP_PKEY *key = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
    std::fclose(f);
    return KeyPtr(key, EVP_PKEY_free);
}

CertPtr readCert(const std::string &path)
{
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return CertPtr(nullptr, X509_free);
    X509 *cert = PEM_read_X509(f, nullptr, nullptr, nullptr);
    std::fclose(f);
    return CertPtr(cert, X509_free);
}

bool addExtension(X509 *cert, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext)
        return false;
    const bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

CertPtr makeCert(EVP_PKEY *key, const char *commonName, X509 *issuer, EVP_PKEY *issuerKey, long days)
{
    CertPtr cert(X509_new(), X509_free);
    if (!cert)
        return cert;
    unsigned char serial[16];
    Random::fill(serial, sizeof serial);
    serial[0] &= 0x7F;
    BIGNUM *sn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(sn, X509_get_serialNumber(cert.get()));
    BN_free(sn);
    X509_set_version(cert.get(), 2);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -kDay);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), days * kDay);
    X509_set_pubkey(cert.get(), key);
    X509_NAME *name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char *>("Korvex reference service"),
                               -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char *>(commonName), -1, -1, 0);
    X509 *signer = issuer ? issuer : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
    bool ok = true;
    if (!issuer) {
        ok = addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE,pathlen:0")
            && addExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign")
            && addExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
    } else {
        ok = addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE")
            && addExtension(cert.get(), signer, NID_key_usage, "critical,digitalSignature,keyEncipherment")
            && addExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth")
            && addExtension(cert.get(), signer, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1,IP:::1")
            && addExtension(cert.get(), signer, NID_subject_key_identifier, "hash")
            && addExtension(cert.get(), signer, NID_authority_key_identifier, "keyid:always");
    }
    if (!ok || X509_sign(cert.get(), issuerKey, EVP_sha256()) == 0)
        return CertPtr(nullptr, X509_free);
    return cert;
}

// Valid for at least another 30 days.
bool freshEnough(X509 *cert)
{
    time_t limit = std::time(nullptr) + 30 * kDay;
    return X509_cmp_time(X509_get0_notAfter(cert), &limit) > 0;
}
} // namespace

Files filesIn(const std::string &tlsFolder)
{
    return {tlsFolder + "/ca.pem", tlsFolder + "/ca.key", tlsFolder + "/server.pem", tlsFolder + "/server.key"};
}

bool ensure(const std::string &tlsFolder, std::string &error)
{
    const Files files = filesIn(tlsFolder);
    KeyPtr caKey = readKey(files.caKey);
    CertPtr caCert = readCert(files.caCert);
    if (!caKey || !caCert) {
        caKey = newKey();
        if (!caKey) {
            error = "cannot generate the CA key";
            return false;
        }
        caCert = makeCert(caKey.get(), "Korvex reference service CA", nullptr, caKey.get(), 3650);
        if (!caCert || !writeKey(files.caKey, caKey.get()) || !writeCert(files.caCert, caCert.get())) {
            error = "cannot create the CA in " + tlsFolder;
            return false;
        }
        // A new CA makes the old server certificate worthless.
        std::remove(files.serverCert.c_str());
    }
    CertPtr serverCert = readCert(files.serverCert);
    if (serverCert && exists(files.serverKey) && freshEnough(serverCert.get())
        && X509_verify(serverCert.get(), X509_get0_pubkey(caCert.get())) == 1)
        return true;
    KeyPtr key = newKey();
    if (!key) {
        error = "cannot generate the server key";
        return false;
    }
    serverCert = makeCert(key.get(), "localhost", caCert.get(), caKey.get(), 825);
    if (!serverCert || !writeKey(files.serverKey, key.get()) || !writeCert(files.serverCert, serverCert.get())) {
        error = "cannot create the server certificate in " + tlsFolder;
        return false;
    }
    return true;
}

} // namespace TlsSetup
