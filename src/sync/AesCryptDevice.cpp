#include "sync/AesCryptDevice.h"

#include <cstring>

namespace {
// Reads from the source in pieces of at least this size, so that tiny reads
// by the caller do not mean tiny reads of the file.
constexpr qint64 MinChunk = 16 * 1024;
constexpr qint64 MaxChunk = 1024 * 1024;
} // namespace

AesCryptDevice::AesCryptDevice(const QByteArray &key, const QByteArray &iv, QIODevice *source, QObject *parent)
    : QIODevice(parent)
    , m_source(source)
    , m_key(key)
{
    m_cipherReady = m_cipher.initEncrypt(CipherCalculator::aes256Cbc(), m_key, iv);
}

AesCryptDevice::~AesCryptDevice()
{
    m_key.fill('\0');
}

bool AesCryptDevice::open(OpenMode mode)
{
    if (isOpen() || !m_source || !m_cipherReady)
        return false;
    if ((mode & ReadOnly) && (mode & WriteOnly))
        return false;
    if (m_source->isOpen()) {
        if (m_source->openMode() != mode)
            return false;
    } else if (!m_source->open(mode)) {
        return false;
    }
    m_plainSize = m_source->size() - m_source->pos();
    return QIODevice::open(mode);
}

void AesCryptDevice::close()
{
    if (!isOpen())
        return;
    m_source->close();
    QIODevice::close();
}

qint64 AesCryptDevice::size() const
{
    const qint64 plain = m_plainSize >= 0 ? m_plainSize : (m_source ? m_source->size() : 0);
    return (plain / 16 + 1) * 16;
}

bool AesCryptDevice::seek(qint64 pos)
{
    if (pos != QIODevice::pos()) {
        setErrorString(QStringLiteral("An encrypted upload cannot be rewound"));
        return false;
    }
    return QIODevice::seek(pos);
}

qint64 AesCryptDevice::fail(const QString &why)
{
    if (!m_failed)
        qWarning("AesCryptDevice::readData: %s", qUtf8Printable(why));
    m_failed = true;
    setErrorString(why);
    return -1;
}

void AesCryptDevice::drain(char *data, qint64 maxSize, qint64 *n)
{
    const qint64 take = qMin<qint64>(maxSize - *n, m_pending.size() - m_pendingPos);
    if (take <= 0)
        return;
    std::memcpy(data + *n, m_pending.constData() + m_pendingPos, size_t(take));
    m_pendingPos += int(take);
    *n += take;
    if (m_pendingPos == m_pending.size()) {
        m_pending.clear();
        m_pendingPos = 0;
    }
}

qint64 AesCryptDevice::readData(char *data, qint64 maxSize)
{
    if (m_failed)
        return -1;
    if (!m_cipherReady)
        return fail(QStringLiteral("Cannot start the encryption"));
    qint64 n = 0;
    drain(data, maxSize, &n);
    QByteArray chunk;
    while (n < maxSize && m_pending.isEmpty() && !m_finished) {
        const qint64 left = m_plainSize - m_consumed;
        if (left > 0) {
            const qint64 want = qMin(left, qBound(MinChunk, maxSize - n, MaxChunk));
            chunk.resize(int(want));
            const qint64 got = m_source->read(chunk.data(), want);
            if (got < 0)
                return fail(QStringLiteral("Cannot read the file: %1").arg(m_source->errorString()));
            if (got == 0)
                return fail(QStringLiteral("The file became shorter while it was uploaded (%1 of %2 bytes read)")
                                .arg(m_consumed)
                                .arg(m_plainSize));
            m_consumed += got;
            if (!m_cipher.updateEncrypt(chunk.constData(), int(got)))
                return fail(QStringLiteral("Encryption failed"));
        } else {
            // Everything announced is read; the file must end here too.
            char extra;
            const qint64 more = m_source->read(&extra, 1);
            if (more < 0)
                return fail(QStringLiteral("Cannot read the file: %1").arg(m_source->errorString()));
            if (more > 0)
                return fail(QStringLiteral("The file became longer while it was uploaded (more than %1 bytes)")
                                .arg(m_plainSize));
            if (!m_cipher.finalEncrypt())
                return fail(QStringLiteral("Encryption failed"));
            m_finished = true;
        }
        m_pending = m_cipher.takeResult();
        m_pendingPos = 0;
        drain(data, maxSize, &n);
    }
    return n;
}

qint64 AesCryptDevice::writeData(const char *data, qint64 maxSize)
{
    Q_UNUSED(data)
    Q_UNUSED(maxSize)
    return -1;
}
