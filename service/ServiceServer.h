#pragma once

#include "FaultInjection.h"
#include "ServiceStatus.h"
#include "SessionRegistry.h"

#include <QJsonObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
class ContentReader;
} // namespace httplib

class ServiceData;
class ServiceServer;

// One request as a handler sees it.
struct Call
{
    const httplib::Request &req;
    httplib::Response &res;
    ServiceServer &server;
    const httplib::ContentReader *reader = nullptr; // streamed bodies; null when none arrived
    std::vector<std::string> params;                // the "{}" segments of the route, in order
    std::shared_ptr<Session> session;               // for routes that need one
    QJsonObject json;                               // JSON bodies

    std::string header(const char *name) const;
    std::string query(const char *name) const;
    bool hasQuery(const char *name) const;
    // {"status":200,"data":<dataJson>}
    void ok(const std::string &dataJson);
    void ok(std::string &&dataJson);
    // {"status":status,"message":message}, HTTP 200 unless given.
    void fail(int status, const std::string &message, int httpStatus = 200);
    template <typename T>
    void fail(const Outcome<T> &outcome)
    {
        fail(outcome.status, outcome.message);
    }
    // Reads and drops whatever body is left, so the connection stays usable.
    void drainBody();
};

// The HTTPS (or, when asked, plain HTTP) server: routing for both API
// generations, sessions and the XSRF check, the admin token and the fault
// injection; the handlers live in their own classes.
class ServiceServer
{
public:
    struct Config
    {
        std::string host = "127.0.0.1";
        int port = 8443;
        bool http = false;
        int idleSeconds = 1800;
        int threads = 32;
        std::string versionCompatible = "1.0.0";
        std::string versionLatest = "1.1.0";
        std::string serviceName = "Korvex";
    };
    enum class Auth {
        Public,
        Handshake, // a session cookie from CREATE_SESSION, any phase
        Cookie,    // logged in, no XSRF token yet (fetching it)
        LoggedIn,  // logged in and "X-XSRF-TOKEN" right
        Admin,     // loopback and the admin token
    };
    enum class Body {
        None,   // any body is read and dropped
        Json,   // one JSON object, at most kMaxJsonBody bytes
        Stream, // the handler reads it
    };
    using Handler = std::function<void(Call &)>;

    static constexpr size_t kMaxJsonBody = 1024 * 1024;

    ServiceServer(ServiceData &data, Config config);
    ~ServiceServer();

    // "{}" in a pattern matches one path segment.
    void route(const char *method, const std::string &pattern, Auth auth, Body body, Handler handler);

    // Binds (port 0: any free port), prints the start-up lines; false with `error`.
    bool start(std::string &error);
    void run();
    void stop();
    int port() const { return m_port; }
    bool isTls() const { return !m_config.http; }

    ServiceData &data() { return m_data; }
    SessionRegistry &sessions() { return m_sessions; }
    FaultInjection &faults() { return m_faults; }
    const Config &config() const { return m_config; }
    const std::string &adminToken() const { return m_adminToken; }

private:
    struct Route
    {
        std::string method;
        std::vector<std::string> segments;
        Auth auth;
        Body body;
        Handler handler;
    };
    void dispatch(const httplib::Request &req, httplib::Response &res, const httplib::ContentReader *reader);
    bool applyFault(Call &call, std::optional<FaultInjection::Fault> &after);
    // The faults that change a reply after its handler made it.
    static void applyReplyFault(httplib::Response &res, const FaultInjection::Fault &fault);
    bool authorise(Call &call, Auth auth);
    bool readJson(Call &call);
    static void cutBody(httplib::Response &res, std::int64_t after);

    ServiceData &m_data;
    Config m_config;
    SessionRegistry m_sessions;
    FaultInjection m_faults;
    std::unique_ptr<httplib::Server> m_server;
    std::vector<Route> m_routes;
    std::string m_adminToken;
    int m_port = 0;
};
