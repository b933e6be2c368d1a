// An encrypted folder against a plain one: the real drive daemon (started
// the way the client starts it) serves a temporary folder; the bench times
// the mount, then streams a file into the drive and into a plain folder in
// 1 MiB writes and reads both back. Prints seconds and MB/s.
//
//   bench_drive [MiB, default 256]

#include "app/AppContext.h"
#include "drive/ClientConnection.h"
#include "drive/DaemonProcess.h"
#include "drive/FileSystemDriverManager.h"
#include "drive/LocalServer.h"
#include "sync/Crypto.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {
constexpr int kChunk = 1024 * 1024;

bool isMounted(const QString &path)
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    return file.open(QIODevice::ReadOnly) && file.readAll().contains(' ' + path.toUtf8() + ' ');
}

// Seconds to write `mib` MiB to `path` (flushed to the file system) and to read them back.
QPair<double, double> writeAndRead(const QString &path, int mib)
{
    const QByteArray chunk = randomBytes(kChunk);
    QElapsedTimer timer;
    timer.start();
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return {-1, -1};
    for (int i = 0; i < mib; ++i)
        out.write(chunk);
    out.flush();
    ::fsync(out.handle());
    out.close();
    const double write = timer.nsecsElapsed() / 1e9;
    timer.restart();
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return {write, -1};
    qint64 total = 0;
    while (!in.atEnd())
        total += in.read(kChunk).size();
    const double read = timer.nsecsElapsed() / 1e9;
    return {write, total == qint64(mib) * kChunk ? read : -1};
}

void report(const char *what, const QPair<double, double> &seconds, int mib)
{
    std::printf("%-28s write %7.2f s %8.1f MB/s   read %7.2f s %8.1f MB/s\n", what, seconds.first,
                mib * 1.048576 / seconds.first, seconds.second, mib * 1.048576 / seconds.second);
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir work;
    // A runtime folder of our own: a running client owns the usual "korx".
    qputenv("XDG_RUNTIME_DIR", work.filePath(QStringLiteral("runtime")).toLocal8Bit());
    QDir().mkpath(work.filePath(QStringLiteral("runtime")));
    QFile::setPermissions(work.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCoreApplication app(argc, argv);
    const int mib = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 256;
    AppContext context(QStringLiteral("bench"));

    LocalServer server;
    server.listen(QStringLiteral("korx"));
    SyncSetting setting;
    setting.id = 1;
    setting.localDir = work.filePath(QStringLiteral("Drive/"));
    setting.encryption = true;
    setting.encryptionKey = randomBytes(16);
    FileSystemDriverManager manager([] { return SyncSettings(); },
                                    [&](const SyncSetting &s, QObject *parent) {
                                        return new DaemonProcess(context.appInfo(), s, parent);
                                    },
                                    true);
    QObject::connect(&server, &LocalServer::newClient, &manager, &FileSystemDriverManager::observeClient);

    const QString mount = work.filePath(QStringLiteral("Drive"));
    QElapsedTimer timer;
    timer.start();
    manager.addSetting(setting);
    while (!isMounted(mount) && timer.elapsed() < 30000) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    if (!isMounted(mount)) {
        std::fprintf(stderr, "bench_drive: the drive did not mount (status %d); needs FUSE and gocryptfs\n",
                     int(manager.daemonStatus(setting)));
        return 1;
    }
    std::printf("first mount (initialises the storage folder): %.3f s\n", timer.nsecsElapsed() / 1e9);

    report("plain folder", writeAndRead(work.filePath(QStringLiteral("plain.bin")), mib), mib);
    report("encrypted drive", writeAndRead(mount + QStringLiteral("/data.bin"), mib), mib);
    const qint64 stored = QFileInfo(DaemonProcess::shadowFolderFor(setting.localDir) + QStringLiteral("/data.bin")).size();
    std::printf("storage size: %lld bytes for %lld (%.2f %% overhead)\n", stored, qint64(mib) * kChunk,
                100.0 * (stored - qint64(mib) * kChunk) / (qint64(mib) * kChunk));

    manager.removeAllSettings();
    timer.restart();
    while (isMounted(mount) && timer.elapsed() < 10000) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    std::printf("unmount after exit: %.3f s%s\n", timer.nsecsElapsed() / 1e9, isMounted(mount) ? " (STILL MOUNTED)" : "");
    if (isMounted(mount))
        QProcess::execute(QStringLiteral("fusermount3"), {QStringLiteral("-u"), QStringLiteral("-z"), mount});
    return 0;
}
