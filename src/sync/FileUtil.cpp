#include "sync/FileUtil.h"

#include <QFile>
#include <QRegularExpression>

#include <openssl/evp.h>

#include <memory>

namespace FileUtil {

namespace {
struct Entry
{
    const char *name;
    const char *openSslName;
};
const Entry kAlgorithms[] = {{"", ""}, {"md5", "MD5"}, {"sha1", "SHA1"}, {"sha256", "SHA256"}, {"sha512", "SHA512"}};
constexpr int kCount = int(sizeof(kAlgorithms) / sizeof(kAlgorithms[0]));

const QRegularExpression &prefixExpression()
{
    static const QRegularExpression re(QStringLiteral("^\\w+:"));
    return re;
}
} // namespace

int algorithmFromName(const QString &name)
{
    for (int i = 1; i < kCount; ++i)
        if (name == QLatin1String(kAlgorithms[i].name))
            return i;
    return None;
}

QString algorithmName(int algorithm)
{
    return algorithm > 0 && algorithm < kCount ? QString::fromLatin1(kAlgorithms[algorithm].name) : QString();
}

QString calculateCheckSum(const QString &path, int algorithm)
{
    if (algorithm <= 0 || algorithm >= kCount)
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        qWarning("FileUtil::calculateCheckSum: Failed to open local file '%s'", qUtf8Printable(path));
        return QString();
    }
    const EVP_MD *md = EVP_get_digestbyname(kAlgorithms[algorithm].openSslName);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!md || !ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1)
        return QString();
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(buffer.data(), buffer.size());
        if (n < 0) {
            qWarning("FileUtil::calculateCheckSum: Failed to read local file '%s': %s", qUtf8Printable(path),
                     qUtf8Printable(file.errorString()));
            return QString();
        }
        if (n == 0)
            break;
        if (EVP_DigestUpdate(ctx.get(), buffer.constData(), size_t(n)) != 1)
            return QString();
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1)
        return QString();
    return algorithmName(algorithm) + QLatin1Char(':')
           + QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

QString calculateCheckSum(const QString &path, const QString &name)
{
    return calculateCheckSum(path, algorithmFromName(name));
}

QString checkSumAlgorithm(const QString &checksum)
{
    const QRegularExpressionMatch m = prefixExpression().match(checksum);
    if (!m.hasMatch())
        return QString();
    QString prefix = m.captured(0);
    prefix.chop(1);
    return prefix;
}

bool isSameAlgorithm(const QString &a, const QString &b)
{
    const QRegularExpressionMatch ma = prefixExpression().match(a);
    const QRegularExpressionMatch mb = prefixExpression().match(b);
    return ma.hasMatch() && mb.hasMatch() && ma.capturedLength() > 1 && ma.captured(0) == mb.captured(0);
}

} // namespace FileUtil
