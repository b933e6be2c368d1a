#include "AuthHandlers.h"

#include "JsonWriter.h"
#include "Random.h"
#include "ServiceData.h"
#include "ServiceServer.h"
#include "TwoFactor.h"
#include "WireFormat.h"
#include "app/VersionOrder.h"
#include "sync/Crypto.h"
#include "sync/TransportCipher.h"

#include <httplib.h>

#include <QJsonValue>
#include <QString>


using WireFormat::qbytes;

namespace {
constexpr int kTanTries = 3;
constexpr std::int64_t kTanLifetimeMs = 5 * 60 * 1000;

std::string lower(const std::string &s)
{
    std::string out = s;
    for (char &c : out)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return out;
}

std::string upper(const std::string &s)
{
    std::string out = s;
    for (char &c : out)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return out;
}

// The mobile number as a challenge shows it: only the last three digits.
std::string maskedNumber(const std::string &number)
{
    std::string out = number;
    int digitsLeft = 0;
    for (char c : number)
        digitsLeft += c >= '0' && c <= '9';
    int seen = 0;
    for (char &c : out) {
        if (c >= '0' && c <= '9') {
            ++seen;
            if (seen > 3 && seen <= digitsLeft - 3)
                c = '*';
        }
    }
    return out;
}

// Every way the TAN could have been typed: each letter in either case.
std::vector<std::string> caseVariants(const std::string &code)
{
    std::vector<std::string> variants{""};
    for (char c : code) {
        std::vector<std::string> next;
        for (const auto &v : variants) {
            next.push_back(v + c);
            if (c >= 'A' && c <= 'Z')
                next.push_back(v + static_cast<char>(c + 32));
        }
        variants.swap(next);
    }
    return variants;
}

std::string hmacHex(const std::string &key, const std::string &message)
{
    const QByteArray mac = hmacSha256(qbytes(key), qbytes(message));
    return WireFormat::toHex(std::string(mac.constData(), static_cast<size_t>(mac.size())));
}
} // namespace

std::optional<std::string> jsonString(const QJsonObject &object, const char *key)
{
    const QJsonValue v = object.value(QLatin1String(key));
    if (!v.isString())
        return std::nullopt;
    return v.toString().toStdString();
}

AuthHandlers::AuthHandlers(ServiceServer &server) : m_server(server)
{
    using S = ServiceServer;
    auto bind = [this](void (AuthHandlers::*method)(Call &)) { return [this, method](Call &c) { (this->*method)(c); }; };
    server.route("GET", "/api/sync/1/public/version", S::Auth::Public, S::Body::None, bind(&AuthHandlers::version));
    server.route("GET", "/rest/public/1/version/sync", S::Auth::Public, S::Body::None, bind(&AuthHandlers::version));
    server.route("GET", "/api/sync/1/account/clientvalidation", S::Auth::LoggedIn, S::Body::None,
                 bind(&AuthHandlers::clientValidation));
    server.route("GET", "/rest/loggedin/1/clientvalidation/loggedin", S::Auth::LoggedIn, S::Body::None,
                 bind(&AuthHandlers::clientValidation));
    server.route("POST", "/api/sync/1/auth/login", S::Auth::Public, S::Body::Json, bind(&AuthHandlers::login));
    server.route("GET", "/api/sync/1/account/xsrfToken", S::Auth::Cookie, S::Body::None,
                 bind(&AuthHandlers::xsrfToken));
    server.route("POST", "/api/sync/1/account/logout", S::Auth::Public, S::Body::None, bind(&AuthHandlers::logout));
}

void AuthHandlers::version(Call &call)
{
    const auto &cfg = m_server.config();
    JsonWriter w;
    w.beginObject()
        .member("name", cfg.serviceName)
        .member("version_compatible", cfg.versionCompatible)
        .member("version_latest", cfg.versionLatest)
        .endObject();
    call.ok(w.text());
}

void AuthHandlers::clientValidation(Call &call)
{
    const std::string &compatible = m_server.config().versionCompatible;
    const std::string &own = call.session->clientVersion;
    if (VersionOrder::isGreater(QString::fromStdString(compatible), QString::fromStdString(own))) {
        call.fail(ServiceStatus::ClientOutdated,
                  "client version " + own + " is below the compatible version " + compatible);
        return;
    }
    call.ok("{\"valid\":true}");
}

void AuthHandlers::sendState(Call &call, const char *state)
{
    JsonWriter w;
    w.beginObject().member("loginState", state).endObject();
    call.ok(w.text());
}

void AuthHandlers::login(Call &call)
{
    const auto step = jsonString(call.json, "step");
    if (!step) {
        call.fail(ServiceStatus::BadRequest, "the login step is missing (\"step\")");
        return;
    }
    if (*step == "CREATE_SESSION") {
        createSession(call);
        return;
    }
    const auto id = WireFormat::cookieValue(call.header("Cookie"), "JSESSIONID");
    const auto session = id ? m_server.sessions().find(*id) : nullptr;
    if (!session) {
        call.fail(ServiceStatus::Unauthorized, "no session: the login starts with CREATE_SESSION");
        return;
    }
    std::lock_guard<std::mutex> lock(session->mutex);
    if (*step == "IDENTIFY_USER")
        identify(call, *session);
    else if (*step == "VERIFY_M1")
        verifyM1(call, *session);
    else if (*step == "SELECT_2FA_METHOD")
        selectMethod(call, *session);
    else if (*step == "CONCLUDE_WITH_KEY")
        conclude(call, *session, false);
    else if (*step == "CONCLUDE_WITH_KEY_AND_TAN")
        conclude(call, *session, true);
    else
        call.fail(ServiceStatus::BadRequest, "unknown login step");
}

void AuthHandlers::createSession(Call &call)
{
    const auto device = jsonString(call.json, "deviceIdentifier");
    const std::string client = jsonString(call.json, "client").value_or("");
    const std::string version = jsonString(call.json, "version").value_or("");
    if (!device || device->empty() || device->size() > 200 || client.size() > 100 || version.size() > 100) {
        call.fail(ServiceStatus::BadRequest, "CREATE_SESSION needs \"deviceIdentifier\", \"client\" and \"version\"");
        return;
    }
    // A new login never continues an old session (no fixation).
    if (const auto old = WireFormat::cookieValue(call.header("Cookie"), "JSESSIONID"))
        m_server.sessions().remove(*old);
    const auto session = m_server.sessions().create(*device, client, version);
    if (!session) {
        call.fail(503, "the service is busy, try again later", 503);
        return;
    }
    std::string cookie = "JSESSIONID=" + session->id + "; Path=/; HttpOnly";
    if (m_server.isTls())
        cookie += "; Secure";
    call.res.set_header("Set-Cookie", cookie);
    qInfo("AuthHandlers::createSession: session s%.8s for client '%s' %s", session->id.c_str(), client.c_str(),
          version.c_str());
    sendState(call, "INITIAL");
}

void AuthHandlers::identify(Call &call, Session &session)
{
    const auto username = jsonString(call.json, "username");
    const auto aHex = jsonString(call.json, "a");
    const auto aBytes = aHex ? Srp::bytesFromHexNumber(*aHex) : std::nullopt;
    if (!username || username->empty() || username->size() > 200 || !aBytes) {
        call.fail(ServiceStatus::BadRequest, "IDENTIFY_USER needs \"username\" and the hexadecimal \"a\"");
        return;
    }
    if (session.phase != Session::Phase::Initial) {
        call.fail(ServiceStatus::Conflict, "IDENTIFY_USER is only accepted right after CREATE_SESSION");
        return;
    }
    ServiceData &data = m_server.data();
    const std::string name = QString::fromStdString(*username).toLower().toStdString();
    const auto user = data.accounts().findUser(name);
    // An unknown name gets a salt and a verifier that stay the same for that
    // name, so that the answer does not tell whether the account exists.
    std::string salt;
    std::string verifier;
    if (user) {
        salt = user->salt;
        verifier = user->verifier;
    } else {
        salt = data.secrets().derive("unknown-user-salt:" + name).substr(0, 16);
        salt[0] = static_cast<char>(salt[0] | 0x01);
        verifier = Srp::verifier(name, Random::hex(16), salt);
    }
    std::string why;
    auto handshake = Srp::ServerHandshake::begin(verifier, *aBytes, why);
    if (!handshake) {
        call.fail(ServiceStatus::BadRequest, why);
        return;
    }
    session.userId = user ? user->id : 0;
    session.username = name;
    session.salt = salt;
    session.hexA = WireFormat::toHex(handshake->publicA());
    session.handshake = std::move(handshake);
    session.phase = Session::Phase::Identified;
    JsonWriter w;
    w.beginObject()
        .member("loginState", "IDENTIFIED")
        .member("salt", WireFormat::toHex(salt))
        .member("b", WireFormat::toHex(session.handshake->publicB()))
        .endObject();
    call.ok(w.text());
}

void AuthHandlers::verifyM1(Call &call, Session &session)
{
    const auto m1Hex = jsonString(call.json, "m1");
    const auto m1 = m1Hex ? Srp::bytesFromHexNumber(*m1Hex) : std::nullopt;
    if (!m1) {
        call.fail(ServiceStatus::BadRequest, "VERIFY_M1 needs the hexadecimal \"m1\"");
        return;
    }
    if (session.phase != Session::Phase::Identified || !session.handshake) {
        call.fail(ServiceStatus::Conflict, "VERIFY_M1 is only accepted after IDENTIFY_USER");
        return;
    }
    // One proof per handshake: a wrong one ends it.
    const auto proof = session.handshake->verify(session.username, session.salt, *m1);
    session.handshake.reset();
    ServiceData &data = m_server.data();
    const auto user = session.userId ? data.accounts().userById(session.userId) : std::nullopt;
    if (!proof || !user) {
        session.phase = Session::Phase::Initial;
        qInfo("AuthHandlers::verifyM1: wrong proof for '%s'", session.username.c_str());
        call.fail(ServiceStatus::Unauthorized, "Invalid username or password");
        return;
    }
    session.key = proof->key;
    const auto methods = data.accounts().methods(user->id);
    JsonWriter w;
    w.beginObject().member("m2", Srp::toHex(Srp::fromBytes(proof->m2).get()));
    if (methods.empty()) {
        session.phase = Session::Phase::PreAuthenticated;
        w.member("loginState", "PRE_AUTHENTICATED").endObject();
        call.ok(w.text());
        return;
    }
    const auto device = data.accounts().device(user->id, session.deviceId);
    session.doubleSecOffered = device && !device->secrets.empty();
    session.offeredMethods.clear();
    w.member("loginState", "PRE_AUTHENTICATED_SELECT_2FA_METHOD").key("supported2faMethods").beginArray();
    for (const auto &m : methods) {
        w.value(m.name);
        session.offeredMethods.push_back(m.name);
    }
    if (session.doubleSecOffered) {
        w.value("doubleSec");
        session.offeredMethods.push_back("doubleSec");
    }
    w.endArray().key("thirdParty").beginObject();
    for (const auto &m : methods)
        w.member(m.name + "_status", m.state);
    if (session.doubleSecOffered)
        w.member("doubleSec_status", "active");
    w.member("MTAN_mobilePhoneNumber", maskedNumber(user->mobile));
    w.endObject().endObject();
    session.phase = Session::Phase::SelectMethod;
    call.ok(w.text());
}

void AuthHandlers::selectMethod(Call &call, Session &session)
{
    const auto wanted = jsonString(call.json, "used2faMethod");
    if (!wanted) {
        call.fail(ServiceStatus::BadRequest, "SELECT_2FA_METHOD needs \"used2faMethod\"");
        return;
    }
    if (session.phase != Session::Phase::SelectMethod && session.phase != Session::Phase::TanPending) {
        call.fail(ServiceStatus::Conflict, "no second factor is due in this session");
        return;
    }
    ServiceData &data = m_server.data();
    const auto user = data.accounts().userById(session.userId);
    if (!user) {
        call.fail(ServiceStatus::Unauthorized, "the account no longer exists");
        return;
    }
    JsonWriter w;
    w.beginObject().member("loginState", "PRE_AUTHENTICATED_2FA");
    if (lower(*wanted) == "doublesec") {
        if (!session.doubleSecOffered) {
            call.fail(ServiceStatus::MethodUnavailable, "doubleSec is not set up for this device");
            return;
        }
        session.method = "doubleSec";
        session.tan.clear();
        session.phase = Session::Phase::TanPending;
        w.member("code", "").endObject();
        call.ok(w.text());
        return;
    }
    const std::string method = TwoFactor::canonicalMethod(*wanted);
    std::string state;
    for (const auto &m : data.accounts().methods(user->id)) {
        if (m.name == method)
            state = m.state;
    }
    if (method.empty() || state.empty()) {
        call.fail(ServiceStatus::MethodUnavailable, "the second-factor method is not offered: " + *wanted);
        return;
    }
    if (state != "active") {
        call.fail(ServiceStatus::MethodUnavailable, "the second-factor method " + method + " is " + state);
        return;
    }
    TwoFactor::Delivery delivery;
    delivery.user = user->name;
    delivery.method = method;
    std::string challenge;
    if (method == "ITAN") {
        const auto itan = data.accounts().pickItan(user->id);
        if (!itan) {
            call.fail(ServiceStatus::MethodUnavailable, "the iTAN list is used up");
            return;
        }
        char index[8];
        std::snprintf(index, sizeof index, "%03d", itan->first);
        challenge = std::string("ITAN") + index;
        delivery.code = itan->second;
        delivery.index = itan->first;
        delivery.destination = "iTAN list";
        delivery.reference = "index " + std::string(index);
        session.itanIndex = itan->first;
    } else {
        delivery.code = TwoFactor::newCode();
        if (method == "PHOTOTAN") {
            const std::string png = TwoFactor::photoTanPng(delivery.code);
            challenge = qbytes(png).toBase64().toStdString();
            delivery.destination = "photoTAN device";
        } else {
            unsigned char r[2];
            Random::fill(r, 2);
            challenge = std::to_string(1000 + (r[0] * 256 + r[1]) % 9000);
            delivery.destination = user->mobile;
            delivery.reference = "reference " + challenge;
        }
    }
    session.method = method;
    session.tan = delivery.code;
    session.tanTries = 0;
    session.tanExpires = WireFormat::nowMs() + kTanLifetimeMs;
    session.phase = Session::Phase::TanPending;
    TwoFactor::deliver(data, delivery);
    w.member("code", challenge).endObject();
    call.ok(w.text());
}

std::optional<std::string> AuthHandlers::decryptWithKey(const Session &session, const std::string &hex,
                                                        size_t ivOffset)
{
    const auto cipherText = WireFormat::fromHex(hex);
    if (!cipherText || cipherText->empty() || session.hexA.size() < ivOffset + 32)
        return std::nullopt;
    const auto iv = WireFormat::fromHex(session.hexA.substr(ivOffset, 32));
    QByteArray plain;
    if (!iv || !TransportCipher(qbytes(session.key)).decryptBytes(qbytes(*cipherText), plain, qbytes(*iv)))
        return std::nullopt;
    return std::string(plain.constData(), static_cast<size_t>(plain.size()));
}

void AuthHandlers::conclude(Call &call, Session &session, bool withTan)
{
    const bool secondFactorDue =
        session.phase == Session::Phase::SelectMethod || session.phase == Session::Phase::TanPending;
    if (session.phase != Session::Phase::PreAuthenticated && !secondFactorDue) {
        call.fail(ServiceStatus::Conflict, "the login cannot be concluded in this state");
        return;
    }
    if (secondFactorDue && (!withTan || session.phase != Session::Phase::TanPending || session.method.empty())) {
        call.fail(ServiceStatus::Unauthorized, "a second factor is required: select a method and send its TAN");
        return;
    }
    ServiceData &data = m_server.data();
    const auto user = data.accounts().userById(session.userId);
    const auto userKey = decryptWithKey(session, jsonString(call.json, "userKey").value_or(""), 32);
    const std::string check = userKey ? Srp::hash({*userKey}) : std::string();
    if (!user || !userKey
        || !(WireFormat::equalSecrets(check, user->keyCheck500) || WireFormat::equalSecrets(check, user->keyCheck15000))) {
        session.phase = Session::Phase::Initial;
        session.key.clear();
        call.fail(ServiceStatus::Unauthorized, "the user key does not match the account");
        return;
    }

    std::vector<std::string> nextSecrets;
    if (secondFactorDue) {
        const auto tan = decryptWithKey(session, jsonString(call.json, "tan").value_or(""), 0);
        bool right = false;
        if (session.method == "doubleSec") {
            const auto device = data.accounts().device(user->id, session.deviceId);
            for (const auto &secret : device ? device->secrets : std::vector<std::string>()) {
                const auto value = WireFormat::fromHex(secret);
                const std::string expected = value ? hmacHex(session.key, *value) : std::string();
                if (tan && !expected.empty() && WireFormat::equalSecrets(lower(*tan), expected)) {
                    right = true;
                    nextSecrets = {expected};
                }
            }
            if (!right) {
                // The chain broke (another device, a lost value): fall back to a TAN.
                session.doubleSecOffered = false;
                session.method.clear();
            }
        } else {
            const bool live = !session.tan.empty() && WireFormat::nowMs() < session.tanExpires;
            right = live && tan && WireFormat::equalSecrets(upper(*tan), session.tan);
            if (right && call.json.value(QLatin1String("initDoubleSec")).toBool()) {
                for (const auto &variant : caseVariants(session.tan))
                    nextSecrets.push_back(hmacHex(session.key, variant));
            }
            if (right && session.method == "ITAN")
                data.accounts().useItan(user->id, session.itanIndex);
            if (!right && ++session.tanTries >= kTanTries)
                session.tan.clear(); // a new challenge is needed
        }
        if (!right) {
            qInfo("AuthHandlers::conclude: wrong second factor (%s) for '%s'", session.method.c_str(),
                  user->name.c_str());
            sendState(call, "PRE_AUTHENTICATED_2FA");
            return;
        }
        session.tan.clear();
    }

    if (user->state != "ACTIVE") {
        session.phase = Session::Phase::Initial;
        session.key.clear();
        qInfo("AuthHandlers::conclude: account '%s' is %s", user->name.c_str(), user->state.c_str());
        sendState(call, user->state.c_str());
        return;
    }
    if (!nextSecrets.empty()) {
        AccountStore::Device device;
        device.deviceId = session.deviceId;
        if (const auto known = data.accounts().device(user->id, session.deviceId))
            device.name = known->name;
        if (const auto name = decryptWithKey(session, jsonString(call.json, "deviceName").value_or(""), 64)) {
            if (WireFormat::isValidUtf8(*name) && name->size() <= 200)
                device.name = *name;
        }
        device.secrets = nextSecrets;
        data.accounts().putDevice(user->id, device);
    }
    session.phase = Session::Phase::LoggedIn;
    session.xsrf = Random::hex(32);
    session.lastSeen = WireFormat::nowMs();
    m_server.sessions().persist(session);
    qInfo("AuthHandlers::conclude: '%s' logged in, session s%.8s", user->name.c_str(), session.id.c_str());
    sendState(call, "LOGGED_IN");
}

void AuthHandlers::xsrfToken(Call &call)
{
    call.res.status = 200;
    call.res.set_content(call.session->xsrf, "text/plain;charset=UTF-8");
}

void AuthHandlers::logout(Call &call)
{
    const auto id = WireFormat::cookieValue(call.header("Cookie"), "JSESSIONID");
    const auto session = id ? m_server.sessions().find(*id) : nullptr;
    JsonWriter w;
    if (!session) {
        w.beginObject().member("success", false).member("message", "no session").endObject();
        call.ok(w.text());
        return;
    }
    std::string token;
    {
        std::lock_guard<std::mutex> lock(session->mutex);
        token = session->xsrf;
    }
    if (session->phase == Session::Phase::LoggedIn && !WireFormat::equalSecrets(call.header("X-XSRF-TOKEN"), token)) {
        call.fail(ServiceStatus::Forbidden, "missing or wrong X-XSRF-TOKEN", 403);
        return;
    }
    m_server.sessions().remove(session->id);
    call.res.set_header("Set-Cookie", "JSESSIONID=; Path=/; Max-Age=0");
    w.beginObject().member("success", true).member("message", "logged out").endObject();
    call.ok(w.text());
}
