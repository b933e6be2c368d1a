// Measures two-way sync through the client's engine (MultiSyncher, Syncher,
// FilesafeRI) against korvex-service on loopback over HTTPS:
//   - the initial upload of N small files (default 10,000 of 4 KiB),
//   - their initial download into a second folder,
//   - a run with no change over M files (default 100,000), with the
//     last-event shortcut and with a full listing,
//   - the planner alone over M paths,
// and the client's peak resident memory after each step.
//
//   bench_sync [--files N] [--size BYTES] [--big M] [--skip-big]
//
// The service binary comes from KORVEX_SERVICE_BINARY, else the one built
// beside this program; all data lives in a temporary folder.

#include "app/AppContext.h"
#include "db/FileObjectDao.h"
#include "db/FileSafeDao.h"
#include "db/OndoDatabase.h"
#include "db/SyncHistoryDao.h"
#include "db/SyncSettingsDao.h"
#include "db/UserDao.h"
#include "net/OndoSession.h"
#include "net/SessionOptions.h"
#include "ri/FilesafeRI.h"
#include "sync/MultiSyncher.h"
#include "sync/SyncPlanner.h"
#include "support/ServiceProcess.h"

#include "net/ServiceLogin.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

long argument(int argc, char **argv, const char *name, long fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (qstrcmp(argv[i], name) == 0)
            return std::atol(argv[i + 1]);
    return fallback;
}

bool flag(int argc, char **argv, const char *name)
{
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], name) == 0)
            return true;
    return false;
}

// VmHWM: the peak resident set of this process, in MiB.
double peakMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// n files of `size` bytes in folders of 100.
void makeFiles(const QString &root, long n, int size, char seed)
{
    QByteArray content(size, seed);
    for (long i = 0; i < n; ++i) {
        const QString folder = root + QStringLiteral("/d%1").arg(i / 100);
        if (i % 100 == 0)
            QDir().mkpath(folder);
        content[0] = char('a' + i % 26);
        QFile f(folder + QStringLiteral("/f%1.bin").arg(i));
        f.open(QIODevice::WriteOnly);
        f.write(content);
    }
}

struct Client
{
    OndoDatabase database;
    std::unique_ptr<OndoSession> session;
    std::unique_ptr<FilesafeRI> ri;
    std::unique_ptr<FileSafeDao> safes;
    std::unique_ptr<SyncSettingsDao> settings;
    std::unique_ptr<FileObjectDao> objects;
    std::unique_ptr<SyncHistoryDao> history;
    std::unique_ptr<MultiSyncher> scheduler;

    // One run of one setting; the seconds it took, -1 on failure.
    double sync(int settingId, int *done = nullptr, int *failed = nullptr)
    {
        bool finished = false;
        int d = 0, f = 0;
        QObject context;
        QObject::connect(scheduler.get(), &MultiSyncher::syncFinished, &context,
                         [&](int nDone, int nFailed, const SyncActions &) {
                             d = nDone;
                             f = nFailed;
                             finished = true;
                         });
        QObject::connect(scheduler.get(), &MultiSyncher::syncCanceled, &context, [&] { finished = true; });
        QElapsedTimer t;
        t.start();
        scheduler->startSync(settingId);
        while (!finished)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (done)
            *done = d;
        if (failed)
            *failed = f;
        return t.elapsed() / 1000.0;
    }

    int addSetting(const QString &safeId, const QString &localDir)
    {
        QDir().mkpath(localDir);
        SyncSetting s;
        s.safeId = safeId;
        s.remoteDir = QStringLiteral("/");
        s.localDir = localDir;
        return settings->add(s).id;
    }
};

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir root;
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
        qputenv(name, (root.path() + QLatin1Char('/') + QLatin1String(name)).toUtf8());
    QCoreApplication app(argc, argv);
    const long files = argument(argc, argv, "--files", 10000);
    const int size = int(argument(argc, argv, "--size", 4096));
    const long big = argument(argc, argv, "--big", 100000);
    if (qEnvironmentVariableIsEmpty("KORVEX_SERVICE_BINARY"))
        qputenv("KORVEX_SERVICE_BINARY", KORVEX_SERVICE_DEFAULT);
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "*.debug=false");

    AppContext context(QStringLiteral("bench"));
    ServiceProcess service;
    if (!service.start() || !service.addUser(QStringLiteral("bench"), QStringLiteral("bench-pw")).ok()) {
        std::fprintf(stderr, "bench_sync: the service did not start: %s\n", qPrintable(service.errorString()));
        return 1;
    }
    const QString smallSafe = service.addSafe(QStringLiteral("bench"), QStringLiteral("Small"),
                                              {QStringLiteral("--quota"), QStringLiteral("1000000000000")});
    const QString bigSafe = service.addSafe(QStringLiteral("bench"), QStringLiteral("Big"),
                                            {QStringLiteral("--quota"), QStringLiteral("1000000000000")});

    Client c;
    c.database.init(context.appInfo()->databasePath(), context.appInfo()->appName());
    SessionOptions options;
    options.caFile = service.caFile();
    c.session = std::make_unique<OndoSession>(options);
    c.session->setServer(ServerTO{QStringLiteral("TEST"), QStringLiteral("Test"), QStringLiteral("TEST"),
                                  service.baseUrl(), true});
    const QString login = logIn(*c.session, QStringLiteral("bench"), QStringLiteral("bench-pw"));
    if (!login.isEmpty()) {
        std::fprintf(stderr, "bench_sync: login failed: %s\n", qPrintable(login));
        return 1;
    }
    UserDao users(&c.database);
    const User user = users.recordLogin(QStringLiteral("bench"), c.session->serverId(), QDateTime::currentDateTimeUtc());
    c.session->setAccount(AccountIdentity{user.id, QStringLiteral("bench"), QStringLiteral("bench"), QDateTime::currentDateTimeUtc()});
    c.ri = std::make_unique<FilesafeRI>(c.session.get(), context.appInfo());
    c.safes = std::make_unique<FileSafeDao>(&c.database, c.session.get(), c.ri.get(), context.config());
    c.settings = std::make_unique<SyncSettingsDao>(&c.database, c.session.get(), nullptr);
    c.objects = std::make_unique<FileObjectDao>(&c.database);
    c.history = std::make_unique<SyncHistoryDao>(&c.database, c.session.get());
    MultiSyncher::Context sc;
    sc.syncher = Syncher::Context{c.safes.get(), c.settings.get(), c.objects.get(), c.history.get(), c.ri.get(),
                                  c.session.get()};
    sc.lockFolder = root.path();
    c.scheduler = std::make_unique<MultiSyncher>(sc);
    bool listed = false;
    c.safes->syncFileSafes([&](const Result<FileSafes> &) { listed = true; });
    while (!listed)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double baseline = peakMiB();
    std::printf("bench_sync: %ld files of %d bytes; %ld files for the no-change runs; peak RSS at start %.1f MiB\n",
                files, size, big, baseline);

    // 1. Initial upload.
    const QString up = root.path() + QStringLiteral("/up");
    makeFiles(up, files, size, 'u');
    const int upSetting = c.addSetting(smallSafe, up);
    int done = 0, failed = 0;
    double t = c.sync(upSetting, &done, &failed);
    std::printf("initial upload    %6ld files: %7.2f s %8.0f files/s  (%d done, %d failed)  peak RSS %.1f MiB\n",
                files, t, files / t, done, failed, peakMiB());

    // 2. Initial download of the same into another folder.
    const QString down = root.path() + QStringLiteral("/down");
    const int downSetting = c.addSetting(smallSafe, down);
    t = c.sync(downSetting, &done, &failed);
    std::printf("initial download  %6ld files: %7.2f s %8.0f files/s  (%d done, %d failed)  peak RSS %.1f MiB\n",
                files, t, files / t, done, failed, peakMiB());

    if (!flag(argc, argv, "--skip-big")) {
        // 3. M files on both sides, put on the server directly, then runs
        // that find nothing to do.
        const QString bigDir = root.path() + QStringLiteral("/big");
        makeFiles(bigDir, big, 100, 'b');
        const ServiceProcess::CommandResult imported = service.run({QStringLiteral("import"), bigSafe, bigDir});
        if (!imported.ok()) {
            std::fprintf(stderr, "bench_sync: import failed: %s\n", imported.err.constData());
            return 1;
        }
        const int bigSetting = c.addSetting(bigSafe, bigDir);
        t = c.sync(bigSetting, &done, &failed);
        std::printf("first run         %6ld files: %7.2f s  (state recorded, nothing sent)  peak RSS %.1f MiB\n", big, t,
                    peakMiB());
        t = c.sync(bigSetting); // records the event it listed
        t = c.sync(bigSetting);
        std::printf("no change, shortcut        %6ld files: %7.2f s  peak RSS %.1f MiB\n", big, t, peakMiB());
        c.settings->setLastSync(bigSetting, QDateTime::currentDateTimeUtc(), QString());
        t = c.sync(bigSetting);
        std::printf("no change, full listing    %6ld files: %7.2f s  peak RSS %.1f MiB\n", big, t, peakMiB());

        // 4. The planner alone.
        ObjectStates states;
        for (long i = 0; i < big; ++i) {
            ObjectState s;
            s.objectId = QString::number(i + 10);
            s.path = QStringLiteral("d%1/f%2.bin").arg(i / 100).arg(i);
            s.size = 100;
            s.localMtime = s.remoteMtime = QDateTime::fromMSecsSinceEpoch(1700000000000 + i, Qt::UTC);
            s.type = QStringLiteral("f");
            s.checksum = QStringLiteral("sha256:00");
            states.insert(s.path, s);
        }
        SyncSetting setting;
        setting.localDir = bigDir + QLatin1Char('/');
        const SyncPatterns silent = SyncPatterns::load(QString::fromLatin1(SyncPatterns::ExcludeSilently), "bench");
        SyncPlanner planner(setting, silent);
        QElapsedTimer pt;
        pt.start();
        const SyncActions actions = planner.build(states, states, states);
        std::printf("planner alone     %6ld paths: %7.3f s  (%d actions)  peak RSS %.1f MiB\n", big,
                    pt.elapsed() / 1000.0, int(actions.size()), peakMiB());
    }
    return 0;
}
