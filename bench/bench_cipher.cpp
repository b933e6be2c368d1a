// AES-256-CBC streaming through CipherCalculator in 64 KiB chunks, the way
// uploads and downloads use it, against `openssl speed -evp aes-256-cbc` on
// the same buffer size measured in the same run. Prints MB/s and the ratio,
// once per user CPU second (what `openssl speed` reports by default, steady
// on a busy machine) and once per wall-clock second (`-elapsed`).
//
//   bench_cipher [seconds per measurement, default 3]

#include "sync/CipherCalculator.h"
#include "sync/Crypto.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

#include <cstdio>
#include <sys/resource.h>

namespace {
constexpr int kChunk = 64 * 1024;

struct Speed
{
    double perCpuSecond = 0;
    double perWallSecond = 0;
};

double userSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec) + u.ru_utime.tv_usec / 1e6;
}

// Bytes per second of the library's own loop; 0 when it cannot be run.
double opensslSpeed(bool decrypt, bool elapsed, int seconds)
{
    QStringList args{"speed", "-evp", "aes-256-cbc", "-bytes", QString::number(kChunk), "-seconds",
                     QString::number(seconds)};
    if (decrypt)
        args << "-decrypt";
    if (elapsed)
        args << "-elapsed";
    QProcess p;
    p.start("openssl", args);
    if (!p.waitForFinished(seconds * 1000 + 60000))
        return 0;
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    const auto m = QRegularExpression("(?im)^aes-256-cbc\\s+([0-9.]+)k\\s*$").match(out);
    return m.hasMatch() ? m.captured(1).toDouble() * 1000.0 : 0;
}

// Bytes per second through CipherCalculator: update, take, pass on.
Speed ourSpeed(bool decrypt, int seconds, const QByteArray &key, const QByteArray &iv, const QByteArray &chunk)
{
    CipherCalculator c;
    const bool started = decrypt ? c.initDecrypt(CipherCalculator::aes256Cbc(), key, iv)
                                 : c.initEncrypt(CipherCalculator::aes256Cbc(), key, iv);
    if (!started)
        return {};
    qint64 bytes = 0;
    unsigned char sink = 0; // keeps the output observable
    QElapsedTimer t;
    const double cpuStart = userSeconds();
    t.start();
    while (t.elapsed() < seconds * 1000) {
        for (int i = 0; i < 64; ++i) {
            if (!(decrypt ? c.updateDecrypt(chunk) : c.updateEncrypt(chunk)))
                return {};
            const QByteArray out = c.takeResult();
            sink ^= out.isEmpty() ? 0 : static_cast<unsigned char>(out.at(out.size() / 2));
            bytes += chunk.size();
        }
    }
    const double wall = t.nsecsElapsed() / 1e9;
    const double cpu = userSeconds() - cpuStart;
    std::fprintf(stderr, "(sink %u)\n", sink);
    return {cpu > 0 ? bytes / cpu : 0, bytes / wall};
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 3;
    const QByteArray key = randomBytes(32), iv = randomBytes(16), plain = randomBytes(kChunk);

    std::printf("AES-256-CBC, %d-byte chunks, %d s per measurement\n", kChunk, seconds);
    std::printf("%-8s %-10s %12s %14s %8s\n", "", "basis", "ours MB/s", "openssl MB/s", "ratio");
    bool ok = true;
    for (bool decrypt : {false, true}) {
        const char *what = decrypt ? "decrypt" : "encrypt";
        const double theirsCpu = opensslSpeed(decrypt, false, seconds);
        const Speed ours = ourSpeed(decrypt, seconds, key, iv, plain);
        const double theirsWall = opensslSpeed(decrypt, true, seconds);
        if (theirsCpu <= 0 || theirsWall <= 0 || ours.perCpuSecond <= 0) {
            std::printf("%-8s measurement failed (is the openssl tool installed?)\n", what);
            ok = false;
            continue;
        }
        std::printf("%-8s %-10s %12.1f %14.1f %8.3f\n", what, "user CPU", ours.perCpuSecond / 1e6, theirsCpu / 1e6,
                    ours.perCpuSecond / theirsCpu);
        std::printf("%-8s %-10s %12.1f %14.1f %8.3f\n", what, "wall clock", ours.perWallSecond / 1e6,
                    theirsWall / 1e6, ours.perWallSecond / theirsWall);
    }
    return ok ? 0 : 1;
}
