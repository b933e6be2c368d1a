// Measures the reference service on loopback over HTTPS: one large upload
// and download (streamed, encrypted under the session key as the client
// does it), parallel uploads, and the listing of a safe with many objects.
//
//   bench_service [--size-mb N] [--parallel N] [--objects N]
//
// The service binary comes from KORVEX_SERVICE_BINARY, else the one built
// beside this program. Its data folder is a temporary folder.

#include "support/ServiceClient.h"
#include "support/ServiceProcess.h"

#include <httplib.h>

#include <QCoreApplication>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

struct Session
{
    int port = 0;
    std::string caFile;
    std::string key;
    httplib::Headers headers;
};

std::unique_ptr<httplib::SSLClient> client(const Session &s)
{
    auto c = std::make_unique<httplib::SSLClient>("127.0.0.1", s.port);
    c->set_ca_cert_path(s.caFile.c_str());
    c->enable_server_certificate_verification(true);
    c->set_read_timeout(600, 0);
    c->set_write_timeout(600, 0);
    c->set_keep_alive(true);
    c->set_tcp_nodelay(true);
    return c;
}

std::string percent(const std::string &text)
{
    return ServiceClient::percent(QString::fromStdString(text)).toStdString();
}

std::string hex(const unsigned char *data, size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

// Streams `size` bytes of generated content, encrypted, as one upload.
bool upload(const Session &s, httplib::SSLClient &c, const std::string &destination, const std::string &name,
            size_t size)
{
    unsigned char iv[16];
    RAND_bytes(iv, sizeof iv);
    httplib::Headers headers = s.headers;
    headers.emplace("X-Filename", percent(name));
    headers.emplace("X-Destination", percent(destination));
    headers.emplace("X-Transport-Iv", hex(iv, 16));
    auto ctx = std::shared_ptr<EVP_CIPHER_CTX>(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, reinterpret_cast<const unsigned char *>(s.key.data()), iv);
    const size_t chunk = 1 << 20;
    std::vector<unsigned char> plain(chunk, 'k');
    std::vector<unsigned char> out(chunk + 32);
    size_t fed = 0;
    bool finished = false;
    const size_t length = (size / 16 + 1) * 16;
    auto result = c.Post(
        "/api/sync/1/files/file", headers, length,
        [&](size_t, size_t, httplib::DataSink &sink) {
            int n = 0;
            if (fed < size) {
                const size_t take = std::min(chunk, size - fed);
                EVP_EncryptUpdate(ctx.get(), out.data(), &n, plain.data(), static_cast<int>(take));
                fed += take;
            }
            if (fed == size && !finished) {
                int m = 0;
                EVP_EncryptFinal_ex(ctx.get(), out.data() + n, &m);
                n += m;
                finished = true;
            }
            return n == 0 || sink.write(reinterpret_cast<const char *>(out.data()), static_cast<size_t>(n));
        },
        "application/octet-stream");
    return result && result->status == 200 && result->body.find("\"status\":200") != std::string::npos;
}

// Downloads an object; decrypts it too when asked. Returns the plaintext bytes.
size_t download(const Session &s, httplib::SSLClient &c, const std::string &objectId, bool decrypt)
{
    size_t plainBytes = 0;
    std::shared_ptr<EVP_CIPHER_CTX> ctx;
    std::vector<unsigned char> out;
    auto result = c.Get(
        "/api/sync/1/files/file/" + objectId, s.headers,
        [&](const httplib::Response &response) {
            if (decrypt) {
                const std::string ivHex = response.get_header_value("X-Transport-Iv");
                unsigned char iv[16];
                for (int i = 0; i < 16; ++i)
                    iv[i] = static_cast<unsigned char>(std::stoi(ivHex.substr(static_cast<size_t>(i) * 2, 2), nullptr, 16));
                ctx.reset(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
                EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr,
                                   reinterpret_cast<const unsigned char *>(s.key.data()), iv);
            }
            return response.status == 200;
        },
        [&](const char *data, size_t n) {
            if (!decrypt) {
                plainBytes += n;
                return true;
            }
            out.resize(n + 32);
            int m = 0;
            EVP_DecryptUpdate(ctx.get(), out.data(), &m, reinterpret_cast<const unsigned char *>(data), static_cast<int>(n));
            plainBytes += static_cast<size_t>(m);
            return true;
        });
    if (!result)
        return 0;
    if (decrypt) {
        int m = 0;
        out.resize(32);
        if (EVP_DecryptFinal_ex(ctx.get(), out.data(), &m) != 1)
            return 0;
        plainBytes += static_cast<size_t>(m);
    }
    return plainBytes;
}

std::string objectIdOf(const std::string &reply)
{
    const std::string key = "\"object_id\":\"";
    const size_t at = reply.find(key);
    if (at == std::string::npos)
        return {};
    const size_t start = at + key.size();
    return reply.substr(start, reply.find('"', start) - start);
}

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
    Session s;
    s.port = service.port();
    s.caFile = service.caFile().toStdString();
    s.key = login.sessionKey().toStdString();
    s.headers = {{"Cookie", login.cookieHeader().toStdString()},
                 {"X-XSRF-TOKEN", login.xsrfToken().toStdString()},
                 {"Accept", "application/json"}};
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
