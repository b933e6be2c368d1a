#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

// For tests of the real drive daemon: whether FUSE works here, whether a
// folder is mounted, and a way to clear a mount a failed test left behind.
namespace FuseCheck {

// What keeps FUSE tests from running here, or empty.
inline QString problem()
{
    const int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("/dev/fuse is not usable here");
    ::close(fd);
    if (QStandardPaths::findExecutable(QStringLiteral("gocryptfs")).isEmpty())
        return QStringLiteral("gocryptfs is not installed");
    if (QStandardPaths::findExecutable(QStringLiteral("fusermount3")).isEmpty())
        return QStringLiteral("fusermount3 is not installed");
    return QString();
}

inline bool isMounted(const QString &path)
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    return file.open(QIODevice::ReadOnly) && file.readAll().contains(' ' + path.toUtf8() + ' ');
}

// A stale FUSE mount in a temporary folder breaks later runs.
inline void unmount(const QString &path)
{
    if (isMounted(path))
        QProcess::execute(QStringLiteral("fusermount3"), {QStringLiteral("-u"), QStringLiteral("-z"), path});
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace FuseCheck
