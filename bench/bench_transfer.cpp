// Throughput and memory of the client's encrypted transfers: a large file
// uploaded and downloaded through FilesafeRI (a real file read and written on
// disk, the session's HTTPS connection) against a freshly started
// korvex-service on loopback, and the same transfers by the service's own
// benchmark client in the same run, for the ratio between the two.
//
//   bench_transfer [--size-mb N] [--rounds N] [--folder DIR]
//
// Prints MB/s (10^6 bytes a second) for each direction and client, the
// ratios (goal: 0.9 or better), and the growth of this process's peak
// resident memory (VmHWM) over the client's transfers (goal: under 32 MiB).
// The service binary comes from KORVEX_SERVICE_BINARY, else the one built
// beside this program.

#include "BenchClient.h"
#include "ServiceLogin.h"
#include "app/AppContext.h"
#include "net/OndoSession.h"
#include "ri/FilesafeRI.h"
#include "support/ServiceProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>
#include <optional>

#include <sys/resource.h>

namespace {
using BenchClient::Clock;
using BenchClient::seconds;

long argument(int argc, char **argv, const char *name, long fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == name)
            return std::stol(argv[i + 1]);
    }
    return fallback;
}

QString textArgument(int argc, char **argv, const char *name)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == name)
            return QString::fromLocal8Bit(argv[i + 1]);
    }
    return QString();
}

// CPU seconds (user and system, all threads) this process used so far.
double cpuSeconds()
{
    struct rusage u;
    if (::getrusage(RUSAGE_SELF, &u) != 0)
        return 0;
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The peak resident set size of this process so far, in KiB.
long peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Writes `bytes` of a repeating pattern, a megabyte at a time.
bool makeFile(const QString &path, qint64 bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (int i = 0; i < chunk.size(); ++i)
        chunk[i] = char(i * 31 + i / 4093);
    for (qint64 done = 0; done < bytes;) {
        const qint64 n = qMin<qint64>(chunk.size(), bytes - done);
        if (f.write(chunk.constData(), n) != n)
            return false;
        done += n;
    }
    return f.flush();
}

// Runs one operation in an event loop that wakes on its outcome (the test
// helpers poll every 10 ms, which would be measured too).
template<typename T, typename Op>
Result<T> wait(Op op)
{
    std::optional<Result<T>> result;
    QEventLoop loop;
    op([&](const Result<T> &r) {
        result = r;
        loop.quit();
    });
    if (!result)
        loop.exec();
    return *result;
}

double mbPerSecond(qint64 bytes, double s)
{
    return s > 0 ? double(bytes) / 1e6 / s : 0;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const qint64 sizeMb = argument(argc, argv, "--size-mb", 1024);
    const int rounds = int(qMax(1L, argument(argc, argv, "--rounds", 2)));
    const qint64 size = sizeMb << 20;
    if (qEnvironmentVariableIsEmpty("KORVEX_SERVICE_BINARY"))
        qputenv("KORVEX_SERVICE_BINARY", KORVEX_SERVICE_DEFAULT);
    // The client's own logging would measure the log, not the transfer.
    qputenv("QT_LOGGING_RULES", "*.debug=false;*.info=false");

    const QString folderArg = textArgument(argc, argv, "--folder");
    QTemporaryDir temp(folderArg.isEmpty() ? QDir::tempPath() + QStringLiteral("/bench_transfer-XXXXXX")
                                           : folderArg + QStringLiteral("/bench_transfer-XXXXXX"));
    if (!temp.isValid()) {
        std::fprintf(stderr, "bench_transfer: no temporary folder\n");
        return 1;
    }
    const QString source = temp.filePath(QStringLiteral("large.bin"));
    const QString target = temp.filePath(QStringLiteral("large-back.bin"));
    if (!makeFile(source, size)) {
        std::fprintf(stderr, "bench_transfer: cannot write %s\n", qPrintable(source));
        return 1;
    }

    ServiceProcess service;
    if (!service.start()) {
        std::fprintf(stderr, "bench_transfer: %s\n", qPrintable(service.errorString()));
        return 1;
    }
    service.addUser(QStringLiteral("bench"), QStringLiteral("bench-pw"));
    const QString safeId = service.addSafe(QStringLiteral("bench"), QStringLiteral("Bench"),
                                           {QStringLiteral("--quota"), QStringLiteral("1000000000000")});
    std::printf("korvex-service on 127.0.0.1:%d, %d MiB, best of %d round(s)\n", service.port(), int(sizeMb), rounds);

    // The client: the programs' own set-up, a session over verified HTTPS.
    AppContext context(QStringLiteral("bench"));
    SessionOptions options;
    options.caFile = service.caFile();
    OndoSession session(options);
    session.setServer(ServerTO{QStringLiteral("BENCH"), QStringLiteral("Bench"), QStringLiteral("BENCH"),
                               service.baseUrl(), true});
    const QString loginError = logIn(session, QStringLiteral("bench"), QStringLiteral("bench-pw"));
    if (!loginError.isEmpty()) {
        std::fprintf(stderr, "bench_transfer: client login: %s\n", qPrintable(loginError));
        return 1;
    }
    FilesafeRI ri(&session, context.appInfo());

    // The service's own benchmark client, on a session of its own.
    ServiceClient login(service);
    if (!login.login(QStringLiteral("bench"), QStringLiteral("bench-pw")).loggedIn) {
        std::fprintf(stderr, "bench_transfer: benchmark client login failed\n");
        return 1;
    }
    const BenchClient::Session s = BenchClient::sessionOf(service.port(), service.caFile(), login);

    // Best wall-clock and CPU seconds of each client and direction.
    struct Best
    {
        double wall = 1e30;
        double cpu = 1e30;
        void add(double w, double c)
        {
            wall = qMin(wall, w);
            cpu = qMin(cpu, c);
        }
    };
    Best clientUp, clientDown, refUp, refDown;
    QString objectId;
    auto clientRound = [&](int round) {
        double cpu = cpuSeconds();
        auto start = Clock::now();
        const auto up = wait<FilesafeObjectsTO_v2>([&](Callback<FilesafeObjectsTO_v2> cb) {
            ri.sendRemoteFileAction(objectId, source, safeId + QLatin1Char('/'), cb);
        });
        const double upSeconds = seconds(start);
        const double upCpu = cpuSeconds() - cpu;
        if (!up.isOk() || up.value.objects.isEmpty() || up.value.objects.first().size != size) {
            std::fprintf(stderr, "bench_transfer: client upload failed: %s\n", qPrintable(up.message));
            return false;
        }
        objectId = up.value.objects.first().objectId;
        cpu = cpuSeconds();
        start = Clock::now();
        const auto down = wait<qint64>([&](Callback<qint64> cb) { ri.downloadFile(objectId, size, target, cb); });
        const double downSeconds = seconds(start);
        const double downCpu = cpuSeconds() - cpu;
        if (!down.isOk() || down.value != size) {
            std::fprintf(stderr, "bench_transfer: client download failed: %s\n", qPrintable(down.message));
            return false;
        }
        clientUp.add(upSeconds, upCpu);
        clientDown.add(downSeconds, downCpu);
        std::printf("round %d FilesafeRI:   upload %7.1f MB/s (%5.2f s CPU)  download %7.1f MB/s (%5.2f s CPU)\n",
                    round + 1, mbPerSecond(size, upSeconds), upCpu, mbPerSecond(size, downSeconds), downCpu);
        return true;
    };
    // The same work as the client's: the file read from and written to disk,
    // encrypted and decrypted, sent over one HTTPS connection.
    auto benchRound = [&](int round) {
        auto c = BenchClient::client(s);
        std::unique_ptr<std::FILE, decltype(&std::fclose)> in(std::fopen(qPrintable(source), "rb"), &std::fclose);
        double cpu = cpuSeconds();
        auto start = Clock::now();
        if (!in || !BenchClient::upload(s, *c, safeId.toStdString() + "/", "ref-" + std::to_string(round) + ".bin",
                                        size_t(size), in.get())) {
            std::fprintf(stderr, "bench_transfer: benchmark client upload failed\n");
            return false;
        }
        const double upSeconds = seconds(start);
        const double upCpu = cpuSeconds() - cpu;
        std::unique_ptr<std::FILE, decltype(&std::fclose)> out(std::fopen(qPrintable(target), "wb"), &std::fclose);
        cpu = cpuSeconds();
        start = Clock::now();
        const size_t got = out ? BenchClient::download(s, *c, objectId.toStdString(), true, out.get()) : 0;
        const double downSeconds = seconds(start);
        const double downCpu = cpuSeconds() - cpu;
        if (got != size_t(size)) {
            std::fprintf(stderr, "bench_transfer: benchmark client download failed\n");
            return false;
        }
        refUp.add(upSeconds, upCpu);
        refDown.add(downSeconds, downCpu);
        std::printf("round %d bench client: upload %7.1f MB/s (%5.2f s CPU)  download %7.1f MB/s (%5.2f s CPU)\n",
                    round + 1, mbPerSecond(size, upSeconds), upCpu, mbPerSecond(size, downSeconds), downCpu);
        return true;
    };

    // The memory figure covers the client's first round, before the other
    // client ran in this process; later rounds alternate who goes first, so
    // that both meet the machine in the same state.
    const long hwmBefore = peakResidentKiB();
    if (!clientRound(0))
        return 1;
    const long hwmAfter = peakResidentKiB();
    if (!benchRound(0))
        return 1;
    for (int round = 1; round < rounds; ++round) {
        const bool ok = round % 2 ? benchRound(round) && clientRound(round) : clientRound(round) && benchRound(round);
        if (!ok)
            return 1;
    }

    // Ratios per wall-clock second and per CPU second of this process: the
    // second stays meaningful on a machine that others keep busy.
    auto report = [&](const char *direction, const Best &mine, const Best &theirs) {
        std::printf("%-8s FilesafeRI %7.1f MB/s, bench client %7.1f MB/s: ratio %.2f per wall-clock second, "
                    "%.2f per CPU second (goal 0.9 or better)\n",
                    direction, mbPerSecond(size, mine.wall), mbPerSecond(size, theirs.wall), theirs.wall / mine.wall,
                    theirs.cpu / mine.cpu);
    };
    report("upload", clientUp, refUp);
    report("download", clientDown, refDown);
    std::printf("peak resident memory (VmHWM) over the client's first upload and download: %.1f MiB -> %.1f MiB, "
                "growth %.1f MiB (goal under 32 MiB)\n",
                hwmBefore / 1024.0, hwmAfter / 1024.0, (hwmAfter - hwmBefore) / 1024.0);
    return 0;
}
