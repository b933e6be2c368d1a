// Measures the reference service on loopback over HTTPS: one large upload
// and download (streamed, encrypted under the session key as the client
// does it), parallel uploads, and the listing of a safe with many objects.
//
//   bench_service [--size-mb N] [--parallel N] [--objects N]
//
// The service binary comes from KORVEX_SERVICE_BINARY, else the one built
// beside this program. Its data folder is a temporary folder.

#include "BenchClient.h"
#include "support/ServiceProcess.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {
using namespace BenchClient;

long argument(int argc, char **argv, const char *name, long fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == name)
            return std::stol(argv[i + 1]);
    }
    return fallback;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // figures appear as they are measured
    const size_t sizeMb = static_cast<size_t>(argument(argc, argv, "--size-mb", 1024));
    const int parallel = static_cast<int>(argument(argc, argv, "--parallel", 4));
    const long objects = argument(argc, argv, "--objects", 100000);
    if (qEnvironmentVariableIsEmpty("KORVEX_SERVICE_BINARY"))
        qputenv("KORVEX_SERVICE_BINARY", KORVEX_SERVICE_DEFAULT);

    ServiceProcess service;
    if (!service.start()) {
        std::fprintf(stderr, "bench_service: %s\n", qPrintable(service.errorString()));
        return 1;
    }
    service.addUser("bench", "bench-pw");
    const QString safeId = service.addSafe("bench", "Bench", {"--quota", "1000000000000"});
    ServiceClient login(service);
    if (!login.login("bench", "bench-pw").loggedIn) {
        std::fprintf(stderr, "bench_service: login failed\n");
        return 1;
    }
    const Session s = sessionOf(service.port(), service.caFile(), login);
    const std::string root = safeId.toStdString() + "/";
    const size_t size = sizeMb << 20;
    std::printf("korvex-service on 127.0.0.1:%d, %u cores\n", s.port, std::thread::hardware_concurrency());

    // One large file up and down.
    auto c = client(s);
    auto start = Clock::now();
    if (!upload(s, *c, root, "large.bin", size)) {
        std::fprintf(stderr, "bench_service: upload failed\n");
        return 1;
    }
    double t = seconds(start);
    std::printf("upload   1 x %5zu MiB: %7.2f s  %7.1f MiB/s  (client encrypts, service decrypts + SHA-256 + disk)\n",
                sizeMb, t, double(sizeMb) / t);
    const auto listing = c->Get(("/api/sync/1/files/info/" + safeId.toStdString() + "?depth=1&type=any").c_str(),
                                httplib::Headers(s.headers.begin(), s.headers.end()));
    const std::string id = objectIdOf(listing->body.substr(listing->body.find("large.bin") - 60));
    for (bool decrypt : {false, true}) {
        start = Clock::now();
        const size_t got = download(s, *c, id, decrypt);
        t = seconds(start);
        std::printf("download 1 x %5zu MiB: %7.2f s  %7.1f MiB/s  (%s)%s\n", sizeMb, t, double(got >> 20) / t,
                    decrypt ? "client decrypts" : "bytes received", got ? "" : "  FAILED");
    }

    // Parallel uploads.
    start = Clock::now();
    std::atomic<int> ok{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < parallel; ++i) {
        threads.emplace_back([&, i] {
            auto own = client(s);
            ok += upload(s, *own, root, "parallel-" + std::to_string(i), size / static_cast<size_t>(parallel)) ? 1 : 0;
        });
    }
    for (auto &th : threads)
        th.join();
    t = seconds(start);
    std::printf("upload   %d x %5zu MiB: %7.2f s  %7.1f MiB/s aggregate (%d ok)\n", parallel,
                sizeMb / static_cast<size_t>(parallel), t, double(sizeMb) / t, ok.load());

    // A safe with many objects: folders of 100 entries, created over four connections.
    const long folders = std::max(1L, objects / 100);
    start = Clock::now();
    std::atomic<long> created{0};
    threads.clear();
    for (int w = 0; w < 4; ++w) {
        threads.emplace_back([&, w] {
            auto own = client(s);
            for (long f = w; f < folders; f += 4) {
                const std::string folder = "dir-" + std::to_string(f);
                httplib::Headers h = s.headers;
                h.emplace("X-Foldername", folder);
                h.emplace("X-Destination", percent(root));
                if (own->Post("/api/sync/1/files/folder", h, "", "text/plain; charset=UTF-8"))
                    ++created;
                for (int n = 0; n < 99 && created < objects; ++n) {
                    if (upload(s, *own, root + folder, "file-" + std::to_string(n) + ".txt", 100))
                        ++created;
                }
            }
        });
    }
    for (auto &th : threads)
        th.join();
    t = seconds(start);
    std::printf("populate %ld objects: %7.2f s  %7.0f objects/s (folder creations and small uploads)\n",
                created.load(), t, double(created.load()) / t);
    c = client(s); // the first connection idled past the keep-alive time
    httplib::Headers h = s.headers;
    h.emplace("X-Object-Path", "%2F");
    double best = 1e9;
    double bestFirstByte = 1e9;
    size_t count = 0;
    size_t bytes = 0;
    for (int run = 0; run < 3; ++run) {
        std::string body;
        double firstByte = 0;
        start = Clock::now();
        // The reply's headers come once the service has built the whole listing.
        const auto r = c->Get(("/api/sync/1/files/info/" + safeId.toStdString() + "?depth=0&type=any").c_str(), h,
                              [&](const httplib::Response &) {
                                  firstByte = seconds(start);
                                  return true;
                              },
                              [&](const char *data, size_t n) {
                                  body.append(data, n);
                                  return true;
                              });
        t = seconds(start);
        if (r && r->status == 200) {
            best = std::min(best, t);
            bestFirstByte = std::min(bestFirstByte, firstByte);
            bytes = body.size();
            count = 0;
            for (size_t at = body.find("\"object_id\""); at != std::string::npos; at = body.find("\"object_id\"", at + 1))
                ++count;
        }
    }
    std::printf("list     %zu objects (depth 0): best of 3: answer starts after %.3f s, complete after %.3f s, "
                "%.1f MiB of JSON\n",
                count, bestFirstByte, best, double(bytes) / (1 << 20));
    return 0;
}
