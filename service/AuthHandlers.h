#pragma once

#include <QJsonObject>

#include <optional>
#include <string>

class ServiceServer;
struct Call;
struct Session;

// The session-level endpoints: version, client validation, the four-step SRP
// login with its second factors and the doubleSec chain, the XSRF token and
// logout.
class AuthHandlers
{
public:
    explicit AuthHandlers(ServiceServer &server);

private:
    void version(Call &call);
    void clientValidation(Call &call);
    void login(Call &call);
    void xsrfToken(Call &call);
    void logout(Call &call);

    void createSession(Call &call);
    void identify(Call &call, Session &session);
    void verifyM1(Call &call, Session &session);
    void selectMethod(Call &call, Session &session);
    void conclude(Call &call, Session &session, bool withTan);

    // Decrypts a value the client encrypted with K under the IV taken from
    // hex(A) at `ivOffset` (0: TAN, 32: user key, 64: device name).
    std::optional<std::string> decryptWithKey(const Session &session, const std::string &hex, size_t ivOffset);
    void sendState(Call &call, const char *state);

    ServiceServer &m_server;
};

// A string member of a JSON object, or nothing when missing or not a string.
std::optional<std::string> jsonString(const QJsonObject &object, const char *key);
