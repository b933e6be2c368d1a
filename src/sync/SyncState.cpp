#include "sync/SyncState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace SyncState {

namespace {

// Most names are plain ASCII, which is already in form C.
QString nfc(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return text.normalized(QString::NormalizationForm_C);
    return text;
}

struct Scanner
{
    const std::function<bool()> &keepGoing;
    ObjectStates states;
    QStringList unreadable;
    int visited = 0;
    bool stopped = false;

    bool tick()
    {
        if (keepGoing && (++visited % 1000) == 0 && !keepGoing())
            stopped = true;
        return !stopped;
    }

    void add(const QString &path, bool folder, qint64 size, qint64 mtimeMs)
    {
        ObjectState s;
        s.path = path;
        s.localMtime = QDateTime::fromMSecsSinceEpoch(mtimeMs, Qt::UTC);
        s.type = folder ? QStringLiteral("d") : QStringLiteral("f");
        s.size = folder ? 0 : size;
        states.insert(s.path, s);
    }

#ifdef Q_OS_UNIX
    // readdir and fstatat: one system call per entry, no lookups by name.
    void walk(int dirFd, const QString &relative, int depth)
    {
        DIR *dir = ::fdopendir(dirFd);
        if (!dir) {
            unreadable << relative;
            ::close(dirFd);
            return;
        }
        while (const dirent *entry = ::readdir(dir)) {
            if (!tick())
                break;
            const char *name = entry->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            struct stat st {};
            // Symbolic links are never followed nor synchronised.
            if (::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno != ENOENT) // gone meanwhile is fine
                    unreadable << nfc(relative + QFile::decodeName(name));
                continue;
            }
            const bool folder = S_ISDIR(st.st_mode);
            if (!folder && !S_ISREG(st.st_mode))
                continue; // links, sockets, pipes, devices
            const QString path = nfc(relative + QFile::decodeName(name));
            const qint64 mtimeMs = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
            add(path, folder, st.st_size, mtimeMs);
            if (!folder)
                continue;
            if (depth + 1 >= MaxDepth) {
                qWarning("Maximum folder depth of %d was achieved for %s", MaxDepth, qUtf8Printable(path));
                continue;
            }
            const int child = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                walk(child, path + QLatin1Char('/'), depth + 1);
            else if (errno != ENOENT)
                unreadable << path;
            if (stopped)
                break;
        }
        ::closedir(dir);
    }
#else
    void walk(const QString &root, const QString &relative, int depth)
    {
        const QFileInfoList entries = QDir(root + relative)
                                          .entryInfoList(QDir::Dirs | QDir::Files | QDir::Hidden | QDir::System
                                                             | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                                                         QDir::NoSort);
        for (const QFileInfo &e : entries) {
            if (!tick())
                return;
            if (!e.isDir() && !e.isFile())
                continue;
            const QString path = nfc(relative + e.fileName());
            add(path, e.isDir(), e.size(), e.lastModified().toMSecsSinceEpoch());
            if (e.isDir() && depth + 1 < MaxDepth)
                walk(root, path + QLatin1Char('/'), depth + 1);
            else if (e.isDir())
                qWarning("Maximum folder depth of %d was achieved for %s", MaxDepth, qUtf8Printable(path));
        }
    }
#endif
};
} // namespace

ObjectStates scan(const QString &localDir, const std::function<bool()> &keepGoing, QStringList *unreadable)
{
    QString root = QDir::fromNativeSeparators(localDir);
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    if (!QFileInfo(root).isDir()) {
        qCritical("SyncState::scan: Local base dir %s does not exist", qUtf8Printable(root));
        return {};
    }
    Scanner scanner{keepGoing, {}, {}};
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
        scanner.walk(fd, QString(), 0);
    else
        scanner.unreadable << QString();
#else
    scanner.walk(root, QString(), 0);
#endif
    if (unreadable)
        *unreadable = scanner.unreadable;
    return scanner.states;
}

} // namespace SyncState
