// Measures the client's request layer against the reference service over
// verified HTTPS on loopback: the rate of small JSON requests (the version
// check, one after the other, as a sync does for its many small calls) and
// the throughput of a large download streamed through Request (the bytes
// consumed as they arrive, as the download decryption does).
//
//   bench_request [--requests N] [--size-mb N] [--rounds N]
//
// The service binary comes from KORVEX_SERVICE_BINARY, else the one built
// beside this program. Its data folder is a temporary folder.

#include "ServiceLogin.h"
#include "net/OndoSession.h"
#include "support/ServiceClient.h"
#include "support/ServiceProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>

#include <cstdio>

namespace {
// Waits in an event loop that wakes on the outcome (the test helpers poll,
// which would be measured too).
template<typename T>
Result<T> exchange(ISession &session, Request *request)
{
    Result<T> result(ERR_INTERNAL, QStringLiteral("no outcome"));
    bool done = false;
    QEventLoop loop;
    session.send<T>(request, [&](const Result<T> &r) {
        result = r;
        done = true;
        loop.quit();
    });
    if (!done) // an invalid URL fails at once
        loop.exec();
    return result;
}

int argument(const QStringList &args, const QString &name, int fallback)
{
    const int at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int requests = argument(args, QStringLiteral("--requests"), 1000);
    const int sizeMb = argument(args, QStringLiteral("--size-mb"), 64);
    const int rounds = argument(args, QStringLiteral("--rounds"), 4);
    if (qEnvironmentVariableIsEmpty("KORVEX_SERVICE_BINARY"))
        qputenv("KORVEX_SERVICE_BINARY", KORVEX_SERVICE_DEFAULT);
    // The figures, not the per-request log lines.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &msg) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qUtf8Printable(msg));
    });

    ServiceProcess service;
    if (!service.start()) {
        std::fprintf(stderr, "bench_request: %s\n", qUtf8Printable(service.errorString()));
        return 1;
    }
    if (!service.addUser(QStringLiteral("bench"), QStringLiteral("bench password")).ok()) {
        std::fprintf(stderr, "bench_request: add-user failed\n");
        return 1;
    }
    const QString safeId = service.addSafe(QStringLiteral("bench"), QStringLiteral("Bench"),
                                           {QStringLiteral("--quota"), QString::number(Q_INT64_C(1) << 40)});

    SessionOptions options;
    options.caFile = service.caFile();
    OndoSession session(options);
    session.setServer(ServerTO{QStringLiteral("BENCH"), QStringLiteral("Bench"), QStringLiteral("BENCH"),
                               service.baseUrl(), true});

    // 1. Small requests, one after the other.
    QElapsedTimer clock;
    clock.start();
    int failed = 0;
    for (int i = 0; i < requests; ++i)
        if (!exchange<ClientVersionTO_v1>(session, Request::createGet(session.clientVersionPath())).isOk())
            ++failed;
    const double small = clock.nsecsElapsed() / 1e9;
    std::printf("request rate: %d version requests in %.2f s: %.0f requests/s, %.2f ms each (%d failed)\n", requests,
                small, requests / small, 1000.0 * small / requests, failed);

    // 2. A large download streamed through Request.
    const QString error = logIn(session, QStringLiteral("bench"), QStringLiteral("bench password"));
    if (!error.isEmpty() || safeId.isEmpty()) {
        std::fprintf(stderr, "bench_request: login failed: %s\n", qUtf8Printable(error));
        return 1;
    }
    ServiceClient uploader(service);
    if (!uploader.login(QStringLiteral("bench"), QStringLiteral("bench password")).loggedIn) {
        std::fprintf(stderr, "bench_request: upload login failed\n");
        return 1;
    }
    const ServiceClient::Reply stored = uploader.upload(safeId + QStringLiteral("/"), QStringLiteral("big.bin"),
                                                        QByteArray(sizeMb * 1024 * 1024, 'k'));
    const QString objectId = stored.data.value(QStringLiteral("filesafe_objects"))
                                 .toArray()
                                 .first()
                                 .toObject()
                                 .value(QStringLiteral("object_id"))
                                 .toString();
    if (!stored.ok() || objectId.isEmpty()) {
        std::fprintf(stderr, "bench_request: upload failed: HTTP %d status %d %s\n", stored.http, stored.status,
                     qUtf8Printable(stored.message));
        return 1;
    }
    qint64 total = 0;
    clock.restart();
    for (int round = 0; round < rounds; ++round) {
        Request *request = Request::createGet(QStringLiteral("/api/sync/1/files/file/") + objectId);
        qint64 received = 0;
        bool done = false;
        bool ok = false;
        QObject::connect(request, &Request::readyRead, request, [request, &received] {
            // Consume as it comes; nothing piles up.
            char buffer[64 * 1024];
            qint64 n;
            while ((n = request->reply()->read(buffer, sizeof buffer)) > 0)
                received += n;
        });
        QEventLoop loop;
        session.sendRaw(request, nullptr, [&](const Result<QByteArray> &r) {
            ok = r.isOk();
            received += r.value.size();
            done = true;
            loop.quit();
        });
        if (!done)
            loop.exec();
        if (!ok) {
            std::fprintf(stderr, "bench_request: download failed\n");
            return 1;
        }
        // AES-CBC adds up to one block of padding.
        if (received < qint64(sizeMb) * 1048576 || received > qint64(sizeMb) * 1048576 + 16) {
            std::fprintf(stderr, "bench_request: downloaded %lld bytes of %d MiB\n", received, sizeMb);
            return 1;
        }
        total += received;
    }
    const double big = clock.nsecsElapsed() / 1e9;
    std::printf("streamed download: %d x %d MiB in %.2f s: %.0f MiB/s (encrypted bytes as sent by the service)\n",
                rounds, sizeMb, big, total / 1048576.0 / big);
    return 0;
}
