#pragma once

// The service's own benchmark client: a large transfer exactly as the
// service expects it (encrypted under the session key, streamed over one
// keep-alive HTTPS connection with cpp-httplib). bench_service and
// bench_transfer share it, so both measure the same thing.

#include "support/ServiceClient.h"

#include <httplib.h>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace BenchClient {
using Clock = std::chrono::steady_clock;

inline double seconds(Clock::time_point since)
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

// The session of a logged-in ServiceClient, for the requests below.
inline Session sessionOf(int port, const QString &caFile, const ServiceClient &login)
{
    Session s;
    s.port = port;
    s.caFile = caFile.toStdString();
    s.key = login.sessionKey().toStdString();
    s.headers = {{"Cookie", login.cookieHeader().toStdString()},
                 {"X-XSRF-TOKEN", login.xsrfToken().toStdString()},
                 {"Accept", "application/json"}};
    return s;
}

inline std::unique_ptr<httplib::SSLClient> client(const Session &s)
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

inline std::string percent(const std::string &text)
{
    return ServiceClient::percent(QString::fromStdString(text)).toStdString();
}

inline std::string hex(const unsigned char *data, size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

// Streams `size` bytes of generated content (or read from `source`),
// encrypted, as one upload.
inline bool upload(const Session &s, httplib::SSLClient &c, const std::string &destination, const std::string &name,
                   size_t size, std::FILE *source = nullptr)
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
                if (source && std::fread(plain.data(), 1, take, source) != take)
                    return false;
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

// Downloads an object; decrypts it too when asked, and writes the plaintext
// to `sink` when given. Returns the plaintext bytes.
inline size_t download(const Session &s, httplib::SSLClient &c, const std::string &objectId, bool decrypt,
                       std::FILE *sink = nullptr)
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
            return !sink || std::fwrite(out.data(), 1, static_cast<size_t>(m), sink) == static_cast<size_t>(m);
        });
    if (!result)
        return 0;
    if (decrypt) {
        int m = 0;
        out.resize(32);
        if (EVP_DecryptFinal_ex(ctx.get(), out.data(), &m) != 1)
            return 0;
        plainBytes += static_cast<size_t>(m);
        if (sink && (std::fwrite(out.data(), 1, static_cast<size_t>(m), sink) != static_cast<size_t>(m)
                     || std::fflush(sink) != 0))
            return 0;
    }
    return plainBytes;
}

inline std::string objectIdOf(const std::string &reply)
{
    const std::string key = "\"object_id\":\"";
    const size_t at = reply.find(key);
    if (at == std::string::npos)
        return {};
    const size_t start = at + key.size();
    return reply.substr(start, reply.find('"', start) - start);
}
} // namespace BenchClient
