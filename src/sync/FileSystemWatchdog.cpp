#include "sync/FileSystemWatchdog.h"

#include "sync/Crypto.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {
constexpr int kFirstRunMs = 10000;
constexpr int kRetryMs = 1500;
constexpr int kMaxIntervalMs = 600000;
constexpr int kMinData = 1000;
constexpr int kMaxData = 2000;
} // namespace

FileSystemWatchdog::FileSystemWatchdog(const QString &root, const QString &storage, QObject *parent,
                                       DelayedCall::Schedule schedule)
    : QObject(parent)
    , m_root(root)
    , m_storage(storage)
    , m_schedule(std::move(schedule))
    , m_random(std::random_device{}())
{
    qInfo("Watchdog started");
    m_schedule(kFirstRunMs, this, [this] { runTest(); });
}

QString FileSystemWatchdog::testName()
{
    return QStringLiteral("/.korvexTest%1").arg(m_random() % 2147483647u);
}

QByteArray FileSystemWatchdog::randomData(int min, int max)
{
    return randomBytes(min + int(m_random() % unsigned(max - min + 1)));
}

bool FileSystemWatchdog::writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCritical("Unable to open file for writing");
        return false;
    }
    m_createdFiles << path;
    const qint64 written = file.write(data);
    file.close();
    if (written != data.size()) {
        qCritical("Written %lld bytes out of %d", written, int(data.size()));
        return false;
    }
    const qint64 size = QFileInfo(path).size();
    if (size != data.size()) {
        qCritical("Size of file written is %lld bytes instead of %d", size, int(data.size()));
        return false;
    }
    return true;
}

bool FileSystemWatchdog::readBack(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCritical("Unable to open file for reading");
        return false;
    }
    const QByteArray read = file.readAll();
    file.close();
    if (read == data)
        return true;
    if (read.size() != data.size()) {
        qCritical("Read back %d bytes instead of %d", int(read.size()), int(data.size()));
        return false;
    }
    int differing = 0;
    int first = -1;
    for (int i = 0; i < read.size(); ++i) {
        if (read[i] != data[i]) {
            if (first < 0)
                first = i;
            ++differing;
        }
    }
    qCritical("Data read back from file differs at %d bytes from %d (first diff at byte %d)", differing,
              int(data.size()), first);
    return false;
}

bool FileSystemWatchdog::checkRoot()
{
    const QFileInfo root(m_root);
    if (!root.isDir()) {
        qCritical("Root folder '%s' does not exist", qUtf8Printable(m_root));
        return false;
    }
    if (!root.isReadable()) {
        qCritical("Root folder '%s' is not readable", qUtf8Printable(m_root));
        return false;
    }
    return true;
}

bool FileSystemWatchdog::touchFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.close();
    m_createdFiles << path;
    return true;
}

bool FileSystemWatchdog::deleteFileCheck()
{
    const QString path = m_root + testName();
    if (!touchFile(path) || !QFileInfo::exists(path)) {
        qCritical("Unable to build file for deletion");
        return false;
    }
    if (!QFile::remove(path)) {
        qCritical("Unable to delete file");
        return false;
    }
    if (QFileInfo::exists(path)) {
        qCritical("File was not deleted");
        return false;
    }
    m_createdFiles.removeAll(path);
    return true;
}

bool FileSystemWatchdog::createFolderCheck()
{
    const QString path = m_root + testName();
    m_createdFolders << path;
    if (!QDir().mkpath(path)) {
        qCritical("Could not create a folder");
        return false;
    }
    const QFileInfo info(path);
    if (!info.exists()) {
        qCritical("Created folder does not exist");
        return false;
    }
    if (!info.isDir()) {
        qCritical("Created folder is not a directory");
        return false;
    }
    return true;
}

bool FileSystemWatchdog::deleteFolderCheck()
{
    const QString path = m_root + testName();
    m_createdFolders << path;
    if (!QDir().mkpath(path)) {
        qCritical("Could not create a folder for deletion");
        return false;
    }
    if (!QDir(path).removeRecursively()) {
        qCritical("Unable to delete folder");
        return false;
    }
    if (QFileInfo::exists(path)) {
        qCritical("Folder was not deleted");
        return false;
    }
    m_createdFolders.removeAll(path);
    return true;
}

bool FileSystemWatchdog::copyCheck()
{
    const QByteArray data = randomData(kMinData, kMaxData);
    const QString source = m_root + testName();
    if (!writeFile(source, data))
        return false;
    const QString target = m_root + testName();
    m_createdFiles << target;
    if (!QFile::copy(source, target)) {
        qCritical("Unable to copy file");
        return false;
    }
    return readBack(target, data);
}

bool FileSystemWatchdog::writeThroughCheck()
{
    const QString name = testName();
    if (!writeFile(m_root + name, randomData(kMinData, kMaxData)))
        return false;
    if (!QFileInfo::exists(m_storage + name)) {
        qCritical("Stored file is not written through to the storage.");
        return false;
    }
    return true;
}

bool FileSystemWatchdog::runChecks()
{
    if (!checkRoot())
        return false;

    // Touch.
    const QString touched = m_root + testName();
    if (!touchFile(touched)) {
        qCritical("Cannot open a single file");
        return false;
    }
    const QFileInfo info(touched);
    if (!info.exists()) {
        qCritical("Touched file does not exist");
        return false;
    }
    if (!info.isFile()) {
        qCritical("Touched file is not a file");
        return false;
    }
    if (!info.isReadable()) {
        qCritical("Touched file is not readable");
        return false;
    }
    if (!info.isWritable()) {
        qCritical("Touched file is not writable");
        return false;
    }
    if (info.isSymLink()) {
        qCritical("Touched file is a symlink");
        return false;
    }
    if (info.size() != 0) {
        qCritical("Touched file reports size %lld", info.size());
        return false;
    }

    if (!deleteFileCheck() || !createFolderCheck() || !deleteFolderCheck())
        return false;
    if (!writeFile(m_root + testName(), randomData(kMinData, kMaxData)))
        return false;
    const QByteArray data = randomData(kMinData, kMaxData);
    const QString written = m_root + testName();
    if (!writeFile(written, data) || !readBack(written, data))
        return false;
    return copyCheck() && deleteFileCheck() && writeThroughCheck();
}

void FileSystemWatchdog::cleanUp()
{
    for (const QString &path : qAsConst(m_createdFiles))
        QFile::remove(path);
    m_createdFiles.clear();
    for (const QString &path : qAsConst(m_createdFolders))
        QDir(path).removeRecursively();
    m_createdFolders.clear();
}

void FileSystemWatchdog::runTest()
{
    const bool ok = runChecks();
    cleanUp();
    if (ok) {
        if (m_successCount == 0)
            qInfo("File system check of '%s' successful", qUtf8Printable(m_root));
        // x 1.4 in double, truncated (166630 gives 233281, as the drive's schedule always had).
        m_intervalMs = std::min(kMaxIntervalMs, int(m_intervalMs * 1.4));
        m_successiveErrors = 0;
        ++m_successCount;
        emit success();
    } else {
        m_intervalMs = kRetryMs;
        ++m_successiveErrors;
        emit error(m_successiveErrors);
        m_successCount = 0;
        if (m_successiveErrors >= 3)
            emit tooManyErrors();
    }
    m_schedule(m_intervalMs, this, [this] { runTest(); });
}
