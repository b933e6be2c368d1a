#include "sync/DigestCalculator.h"

#include "sync/BigNum.h"

#include <openssl/evp.h>

DigestCalculator::DigestCalculator(const EVP_MD *md)
    : m_ctx(EVP_MD_CTX_new())
    , m_md(md)
{
}

DigestCalculator::~DigestCalculator()
{
    EVP_MD_CTX_free(m_ctx);
}

const EVP_MD *DigestCalculator::sha256()
{
    return EVP_get_digestbyname("SHA256");
}

void DigestCalculator::start()
{
    if (m_initialised)
        return;
    EVP_DigestInit_ex(m_ctx, m_md, nullptr);
    m_initialised = true;
}

DigestCalculator &DigestCalculator::addData(const QByteArray &bytes)
{
    start();
    EVP_DigestUpdate(m_ctx, bytes.constData(), size_t(bytes.size()));
    return *this;
}

DigestCalculator &DigestCalculator::addData(const char *utf8)
{
    return addData(QByteArray(utf8));
}

DigestCalculator &DigestCalculator::addData(const QString &text)
{
    return addData(text.toUtf8());
}

DigestCalculator &DigestCalculator::addData(const BigNum &number)
{
    return addData(number.toBytes());
}

QByteArray DigestCalculator::finalBytes()
{
    // A final step without any input is the digest of the empty input, not
    // the finishing of a context that was never started.
    start();
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_DigestFinal_ex(m_ctx, md, &len) != 1)
        len = 0;
    m_initialised = false;
    return QByteArray(reinterpret_cast<const char *>(md), int(len));
}

BigNum DigestCalculator::finalBigNum()
{
    return BigNum::fromBytes(finalBytes());
}
