#include "app/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PrivateFiles {

namespace {
QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}
} // namespace

bool makeFolder(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    // Each missing component is made here, 0700 from the start.
    QStringList missing;
    QString at = absolute;
    while (!at.isEmpty() && !QFileInfo::exists(at)) {
        missing.prepend(at);
        const QString up = QFileInfo(at).absolutePath();
        if (up == at)
            break;
        at = up;
    }
    for (const QString &folder : missing)
        if (::mkdir(native(folder).constData(), 0700) != 0 && errno != EEXIST)
            return false;
    tighten(absolute);
    return QFileInfo(absolute).isDir();
}

bool makeFile(const QString &path)
{
    const QByteArray name = native(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno != EEXIST)
        return false;
    tighten(path);
    return true;
}

void tighten(const QString &path)
{
    const QByteArray name = native(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || S_ISLNK(st.st_mode) || st.st_uid != ::geteuid())
        return;
    if ((st.st_mode & 077) != 0)
        ::chmod(name.constData(), st.st_mode & 0700);
}

} // namespace PrivateFiles
