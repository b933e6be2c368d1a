#include "ServiceServer.h"

#include "JsonWriter.h"
#include "Random.h"
#include "ServiceData.h"
#include "TlsSetup.h"
#include "WireFormat.h"

#include <httplib.h>

#include <QJsonDocument>
#include <QtGlobal>

#include <openssl/ssl.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {
const char *kJsonType = "application/json;charset=UTF-8";

std::string envelope(int status, const std::string &message)
{
    JsonWriter w;
    w.beginObject().member("status", status).member("message", message).endObject();
    return w.take();
}

std::vector<std::string> segmentsOf(const std::string &path)
{
    std::vector<std::string> out;
    size_t start = path.empty() || path[0] != '/' ? 0 : 1;
    while (true) {
        const size_t end = path.find('/', start);
        out.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return out;
}

// Paths and names in log lines carry no line breaks or other control characters.
std::string printable(const std::string &text)
{
    std::string out = text.substr(0, 300);
    for (char &c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    return out;
}

bool isLoopback(const std::string &address)
{
    return address == "127.0.0.1" || address == "::1" || address == "::ffff:127.0.0.1";
}
} // namespace

std::string Call::header(const char *name) const
{
    return req.get_header_value(name);
}

std::string Call::query(const char *name) const
{
    return req.get_param_value(name);
}

bool Call::hasQuery(const char *name) const
{
    return req.has_param(name);
}

void Call::ok(const std::string &dataJson)
{
    std::string body;
    body.reserve(dataJson.size() + 24);
    body += "{\"status\":200,\"data\":";
    body += dataJson;
    body += '}';
    res.status = 200;
    res.set_content(body, kJsonType);
}

void Call::ok(std::string &&dataJson)
{
    // Listings run to megabytes: one copy into the envelope, then moved.
    std::string body;
    body.reserve(dataJson.size() + 24);
    body += "{\"status\":200,\"data\":";
    body += dataJson;
    body += '}';
    dataJson.clear();
    dataJson.shrink_to_fit();
    res.status = 200;
    res.body = std::move(body);
    res.set_header("Content-Type", kJsonType);
}

void Call::fail(int status, const std::string &message, int httpStatus)
{
    res.status = httpStatus;
    res.set_content(envelope(status, message), kJsonType);
}

void Call::drainBody()
{
    if (reader) {
        const httplib::ContentReader *r = reader;
        reader = nullptr;
        (*r)([](const char *, size_t) { return true; });
    }
}

ServiceServer::ServiceServer(ServiceData &data, Config config)
    : m_data(data), m_config(std::move(config)), m_sessions(data, m_config.idleSeconds)
{
}

ServiceServer::~ServiceServer() = default;

void ServiceServer::route(const char *method, const std::string &pattern, Auth auth, Body body, Handler handler)
{
    m_routes.push_back({method, segmentsOf(pattern), auth, body, std::move(handler)});
}

bool ServiceServer::start(std::string &error)
{
    if (m_config.http) {
        m_server = std::make_unique<httplib::Server>();
    } else {
        if (!TlsSetup::ensure(m_data.tlsFolder(), error))
            return false;
        const TlsSetup::Files files = TlsSetup::filesIn(m_data.tlsFolder());
        auto server = std::make_unique<httplib::SSLServer>([files](SSL_CTX &ctx) {
            SSL_CTX_set_options(&ctx, SSL_OP_NO_COMPRESSION | SSL_OP_NO_SESSION_RESUMPTION_ON_RENEGOTIATION);
            SSL_CTX_set_min_proto_version(&ctx, TLS1_2_VERSION);
            SSL_CTX_set_max_proto_version(&ctx, TLS1_3_VERSION);
            return SSL_CTX_use_certificate_chain_file(&ctx, files.serverCert.c_str()) == 1
                && SSL_CTX_use_PrivateKey_file(&ctx, files.serverKey.c_str(), SSL_FILETYPE_PEM) == 1
                && SSL_CTX_check_private_key(&ctx) == 1;
        });
        if (!server->is_valid()) {
            error = "cannot set up TLS with " + files.serverCert;
            return false;
        }
        m_server = std::move(server);
    }

    m_adminToken = Random::hex(16);

    const int threads = m_config.threads;
    m_server->new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
    m_server->set_keep_alive_max_count(10000);
    m_server->set_keep_alive_timeout(30);
    m_server->set_read_timeout(60, 0);
    m_server->set_write_timeout(60, 0);
    // Uploads of 2 GiB files and their padding; larger bodies are refused by the library.
    m_server->set_payload_max_length(static_cast<size_t>(3) * 1024 * 1024 * 1024);
    m_server->set_tcp_nodelay(true);
    // The library's default also sets SO_REUSEPORT, with which a second
    // service started on a taken port shares it and the kernel splits the
    // connections between the two. Reuse of the address alone (a restart
    // while old connections linger) is all a service needs.
    m_server->set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char *>(&yes), sizeof(yes));
    });

    auto plain = [this](const httplib::Request &req, httplib::Response &res) { dispatch(req, res, nullptr); };
    auto streamed = [this](const httplib::Request &req, httplib::Response &res, const httplib::ContentReader &reader) {
        dispatch(req, res, &reader);
    };
    m_server->Get(".*", plain);
    m_server->Post(".*", plain);
    m_server->Post(".*", streamed);
    m_server->Put(".*", plain);
    m_server->Put(".*", streamed);
    m_server->Delete(".*", plain);
    m_server->Delete(".*", streamed);
    httplib::Server::HandlerWithResponse onError = [](const httplib::Request &, httplib::Response &res) {
        if (!res.body.empty() || res.content_provider_)
            return httplib::Server::HandlerResponse::Unhandled;
        res.set_content(envelope(res.status, "HTTP status " + std::to_string(res.status)), kJsonType);
        return httplib::Server::HandlerResponse::Handled;
    };
    m_server->set_error_handler(onError);
    m_server->set_exception_handler([](const httplib::Request &req, httplib::Response &res, std::exception_ptr ep) {
        std::string what = "unknown";
        try {
            std::rethrow_exception(ep);
        } catch (const std::exception &e) {
            what = e.what();
        } catch (...) {
        }
        qCritical("ServiceServer::dispatch: %s %s failed: %s", req.method.c_str(), printable(req.path).c_str(),
                  what.c_str());
        res.status = 500;
        res.set_content(envelope(ServiceStatus::Internal, "internal error"), kJsonType);
    });
    m_server->set_logger([](const httplib::Request &req, const httplib::Response &res) {
        qInfo("ServiceServer::log: %s %s -> %d", req.method.c_str(), printable(req.path).c_str(), res.status);
    });

    if (m_config.port == 0) {
        m_port = m_server->bind_to_any_port(m_config.host);
        if (m_port <= 0) {
            error = "cannot listen on " + m_config.host;
            return false;
        }
    } else {
        if (!m_server->bind_to_port(m_config.host, m_config.port)) {
            error = "cannot listen on " + m_config.host + ":" + std::to_string(m_config.port);
            return false;
        }
        m_port = m_config.port;
    }

    const std::string scheme = m_config.http ? "http" : "https";
    std::printf("korvex-service: data folder %s\n", m_data.folder().c_str());
    if (!m_config.http)
        std::printf("korvex-service: CA certificate %s\n", TlsSetup::filesIn(m_data.tlsFolder()).caCert.c_str());
    std::printf("korvex-service: admin token %s\n", m_adminToken.c_str());
    std::printf("listening on %s://%s:%d\n", scheme.c_str(), m_config.host.c_str(), m_port);
    std::fflush(stdout);
    qInfo("ServiceServer::start: listening on %s://%s:%d", scheme.c_str(), m_config.host.c_str(), m_port);
    return true;
}

void ServiceServer::run()
{
    m_server->listen_after_bind();
}

void ServiceServer::stop()
{
    m_faults.shutdown();
    if (m_server)
        m_server->stop();
}

void ServiceServer::dispatch(const httplib::Request &req, httplib::Response &res, const httplib::ContentReader *reader)
{
    Call call{req, res, *this, reader, {}, nullptr, {}};
    std::optional<FaultInjection::Fault> after;
    if (applyFault(call, after))
        return;

    const std::vector<std::string> segments = segmentsOf(req.path);
    const Route *match = nullptr;
    bool otherMethod = false;
    for (const Route &r : m_routes) {
        if (r.segments.size() != segments.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < segments.size() && same; ++i)
            same = r.segments[i] == "{}" || r.segments[i] == segments[i];
        if (!same)
            continue;
        if (r.method != req.method) {
            otherMethod = true;
            continue;
        }
        match = &r;
        break;
    }
    if (!match) {
        call.drainBody();
        if (otherMethod)
            call.fail(405, "method not allowed", 405);
        else
            call.fail(ServiceStatus::NotFound, "no such endpoint: " + printable(req.path), 404);
        return;
    }
    for (size_t i = 0; i < segments.size(); ++i) {
        if (match->segments[i] == "{}")
            call.params.push_back(segments[i]);
    }
    if (!authorise(call, match->auth)) {
        call.drainBody();
        return;
    }
    if (match->body == Body::None)
        call.drainBody();
    else if (match->body == Body::Json && !readJson(call))
        return;

    match->handler(call);
    call.drainBody();
    if (after)
        applyReplyFault(res, *after);
}

void ServiceServer::applyReplyFault(httplib::Response &res, const FaultInjection::Fault &fault)
{
    switch (fault.kind) {
    case FaultInjection::Kind::Cut:
        cutBody(res, fault.after);
        break;
    case FaultInjection::Kind::Rewrite: {
        const size_t at = res.body.find(fault.from);
        if (!fault.from.empty() && at != std::string::npos)
            res.body.replace(at, fault.from.size(), fault.to);
        break;
    }
    case FaultInjection::Kind::Header:
        res.headers.erase(fault.header);
        if (!fault.value.empty())
            res.set_header(fault.header, fault.value);
        break;
    default:
        break;
    }
}

bool ServiceServer::applyFault(Call &call, std::optional<FaultInjection::Fault> &after)
{
    auto fault = m_faults.take(call.req.method, call.req.path);
    if (!fault)
        return false;
    qInfo("ServiceServer::applyFault: %s on %s %s", FaultInjection::kindName(fault->kind), call.req.method.c_str(),
          printable(call.req.path).c_str());
    switch (fault->kind) {
    case FaultInjection::Kind::Delay:
        std::this_thread::sleep_for(std::chrono::milliseconds(fault->ms));
        return false;
    case FaultInjection::Kind::Stall:
        m_faults.stall(fault->ms > 0 ? fault->ms : 600000);
        return false;
    case FaultInjection::Kind::Cut:
    case FaultInjection::Kind::Rewrite:
    case FaultInjection::Kind::Header:
        after = fault;
        return false;
    case FaultInjection::Kind::Status:
        call.drainBody();
        if (fault->status >= 300 && fault->status < 400)
            call.res.set_header("Location", "/moved" + call.req.path);
        call.fail(fault->status, "injected status", fault->status);
        return true;
    case FaultInjection::Kind::Empty:
        call.drainBody();
        call.res.status = 200;
        call.res.set_content("", kJsonType);
        return true;
    case FaultInjection::Kind::NonJson:
        call.drainBody();
        call.res.status = 200;
        call.res.set_content("<html><body>Service temporarily unavailable</body></html>", "text/html");
        return true;
    }
    return false;
}

bool ServiceServer::authorise(Call &call, Auth auth)
{
    if (auth == Auth::Public)
        return true;
    if (auth == Auth::Admin) {
        if (!isLoopback(call.req.remote_addr)
            || !WireFormat::equalSecrets(call.header("X-Admin-Token"), m_adminToken)) {
            call.fail(ServiceStatus::Forbidden, "admin calls need loopback and the admin token", 403);
            return false;
        }
        return true;
    }
    const auto id = WireFormat::cookieValue(call.header("Cookie"), "JSESSIONID");
    call.session = id ? m_sessions.find(*id) : nullptr;
    if (!call.session) {
        call.fail(ServiceStatus::Unauthorized, "no valid session", 401);
        return false;
    }
    if (auth == Auth::Handshake)
        return true;
    if (call.session->phase != Session::Phase::LoggedIn) {
        call.fail(ServiceStatus::Unauthorized, "not logged in", 401);
        return false;
    }
    // Logged in, the token no longer changes; the lock orders this read after the login's write.
    std::string token;
    {
        std::lock_guard<std::mutex> lock(call.session->mutex);
        token = call.session->xsrf;
    }
    if (auth == Auth::LoggedIn && !WireFormat::equalSecrets(call.header("X-XSRF-TOKEN"), token)) {
        call.fail(ServiceStatus::Forbidden, "missing or wrong X-XSRF-TOKEN", 403);
        return false;
    }
    return true;
}

bool ServiceServer::readJson(Call &call)
{
    if (!call.reader) {
        call.fail(ServiceStatus::BadRequest, "a JSON object is required as body");
        return false;
    }
    std::string body;
    bool tooLarge = false;
    const httplib::ContentReader *reader = call.reader;
    call.reader = nullptr;
    (*reader)([&](const char *data, size_t length) {
        if (body.size() + length > kMaxJsonBody)
            tooLarge = true;
        else
            body.append(data, length);
        return true;
    });
    if (tooLarge) {
        call.fail(ServiceStatus::PayloadTooLarge,
                  "the JSON body is larger than " + std::to_string(kMaxJsonBody) + " bytes");
        return false;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromRawData(body.data(), static_cast<int>(body.size())),
                                                      &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        const std::string why = error.error != QJsonParseError::NoError ? error.errorString().toStdString()
                                                                        : std::string("not an object");
        call.fail(ServiceStatus::BadRequest, "the body is not a JSON object: " + why);
        return false;
    }
    call.json = doc.object();
    return true;
}

void ServiceServer::cutBody(httplib::Response &res, std::int64_t after)
{
    if (res.content_provider_) {
        const size_t total = res.content_length_;
        const size_t limit = after >= 0 ? static_cast<size_t>(after) : total / 2;
        auto inner = res.content_provider_;
        auto sent = std::make_shared<size_t>(0);
        res.content_provider_ = [inner, sent, limit](size_t offset, size_t length, httplib::DataSink &sink) {
            bool reached = false;
            httplib::DataSink relay;
            relay.is_writable = sink.is_writable;
            relay.done = sink.done;
            relay.write = [&](const char *data, size_t n) {
                const size_t room = limit > *sent ? limit - *sent : 0;
                const size_t pass = std::min(room, n);
                if (pass > 0 && !sink.write(data, pass))
                    return false;
                *sent += pass;
                if (pass < n)
                    reached = true;
                return !reached;
            };
            const bool ok = inner(offset, length, relay);
            return ok && !reached;
        };
        return;
    }
    auto body = std::make_shared<std::string>(std::move(res.body));
    res.body.clear();
    const size_t limit = after >= 0 ? std::min(static_cast<size_t>(after), body->size()) : body->size() / 2;
    std::string type = res.get_header_value("Content-Type");
    res.headers.erase("Content-Type");
    res.set_content_provider(body->size(), type.empty() ? kJsonType : type,
                             [body, limit](size_t offset, size_t, httplib::DataSink &sink) {
                                 if (offset < limit)
                                     sink.write(body->data() + offset, limit - offset);
                                 return false;
                             });
}
