#include "sync/DownloadFile.h"

#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>

#include <sys/stat.h>

namespace {
// The permissions a new file of the user gets (0666 minus the umask).
QFile::Permissions defaultFilePermissions()
{
    // umask can only be read by setting it; do it once.
    static const mode_t mask = [] {
        const mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    const mode_t mode = 0666 & ~mask;
    QFile::Permissions p;
    if (mode & S_IRUSR)
        p |= QFile::ReadOwner | QFile::ReadUser;
    if (mode & S_IWUSR)
        p |= QFile::WriteOwner | QFile::WriteUser;
    if (mode & S_IRGRP)
        p |= QFile::ReadGroup;
    if (mode & S_IWGRP)
        p |= QFile::WriteGroup;
    if (mode & S_IROTH)
        p |= QFile::ReadOther;
    if (mode & S_IWOTH)
        p |= QFile::WriteOther;
    return p;
}
} // namespace

DownloadFile::DownloadFile(const QString &nameTemplate, const QByteArray &key, QObject *parent)
    : QObject(parent)
    , m_path(nameTemplate)
    , m_key(key)
{
}

DownloadFile::~DownloadFile()
{
    discard();
    m_path.clear();
    m_key.fill('\0');
    m_key.clear();
}

void DownloadFile::discard()
{
    if (m_file.isOpen())
        m_file.close();
    if (m_initialised && !m_kept)
        QFile::remove(m_path);
    m_initialised = false; // nothing left to clean up
}

bool DownloadFile::init(const QString &ivHex)
{
    if (m_initialised || m_kept || ivHex.size() != 32)
        return false;
    const QByteArray iv = QByteArray::fromHex(ivHex.toLatin1());
    if (iv.size() != 16 || iv.toHex() != ivHex.toLower().toLatin1())
        return false;
    if (!m_cipher.initDecrypt(CipherCalculator::aes256Cbc(), m_key, iv))
        return false;
    QTemporaryFile temp(m_path);
    temp.setAutoRemove(false);
    if (!temp.open())
        return false;
    const QString created = temp.fileName();
    temp.close();
    m_path = created;
    m_initialised = true; // from here on the destructor cleans up
    QFile::setPermissions(m_path, defaultFilePermissions());
    m_file.setFileName(m_path);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append);
}

bool DownloadFile::write(const QByteArray &plain, const char *what)
{
    if (plain.isEmpty())
        return true;
    const qint64 written = m_file.write(plain);
    if (written != plain.size()) {
        qWarning("DownloadFile::%s: Invalid write to %s: return value %d, expected %d", what, qUtf8Printable(m_path),
                 int(written), int(plain.size()));
        return false;
    }
    return true;
}

bool DownloadFile::update(const QByteArray &chunk)
{
    if (!m_initialised || !m_file.isOpen() || !m_cipher.updateDecrypt(chunk))
        return false;
    return write(m_cipher.takeResult(), "update");
}

bool DownloadFile::finish()
{
    if (!m_initialised || !m_file.isOpen() || !m_cipher.finalDecrypt())
        return false;
    if (!write(m_cipher.takeResult(), "finish"))
        return false;
    // A full disk can hide until the buffered bytes go out.
    if (!m_file.flush()) {
        qWarning("DownloadFile::finish: Invalid write to %s: %s", qUtf8Printable(m_path),
                 qUtf8Printable(m_file.errorString()));
        return false;
    }
    m_file.close();
    return m_file.error() == QFileDevice::NoError;
}

qint64 DownloadFile::size() const
{
    return m_initialised ? QFileInfo(m_path).size() : 0;
}

DownloadFile::RenameError DownloadFile::rename(const QString &destination)
{
    if (!m_initialised || m_file.isOpen())
        return RenameError::Failed;
    const QFileInfo target(destination);
    if (target.exists() && target.isFile() && !target.isSymLink())
        QFile::setPermissions(m_path, target.permissions());
    // rename(2) replaces a file in one step; the old content stays until the
    // new one is in place, so a crash cannot leave neither.
    if (::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(destination).constData()) == 0) {
        m_kept = true;
        return RenameError::None;
    }
    const int error = errno;
    qWarning("DownloadFile::rename: cannot move '%s' onto '%s': %s", qUtf8Printable(m_path),
             qUtf8Printable(destination), strerror(error));
    if (error == EISDIR || error == ENOTEMPTY || error == EEXIST || error == EBUSY || error == ETXTBSY
        || error == EACCES || error == EPERM)
        return target.exists() || target.isSymLink() ? RenameError::DestinationInUse : RenameError::Failed;
    return RenameError::Failed;
}
