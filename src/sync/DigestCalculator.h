#pragma once

#include <QByteArray>
#include <QString>

#include <openssl/types.h>

class BigNum;

// Streaming digest (SHA-256 in this client) over bytes, texts and big numbers.
// After a final step the next addData() starts a fresh digest, so one
// calculator computes several hashes in turn.
class DigestCalculator
{
public:
    explicit DigestCalculator(const EVP_MD *md);
    virtual ~DigestCalculator();
    DigestCalculator(const DigestCalculator &) = delete;
    DigestCalculator &operator=(const DigestCalculator &) = delete;

    // SHA-256, looked up by its name "SHA256".
    static const EVP_MD *sha256();

    DigestCalculator &addData(const QByteArray &bytes);
    DigestCalculator &addData(const char *utf8);
    DigestCalculator &addData(const QString &text); // as UTF-8
    // The minimal unsigned big-endian magnitude; zero adds nothing.
    DigestCalculator &addData(const BigNum &number);

    QByteArray finalBytes();
    // The digest bytes read as an unsigned big-endian number.
    BigNum finalBigNum();

private:
    void start();

    EVP_MD_CTX *m_ctx;
    const EVP_MD *m_md;
    bool m_initialised = false;
};
