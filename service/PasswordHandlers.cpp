#include "PasswordHandlers.h"

#include "AuthHandlers.h"
#include "JsonWriter.h"
#include "ServiceData.h"
#include "ServiceServer.h"
#include "WireFormat.h"
#include "sync/Crypto.h"
#include "sync/TransportCipher.h"

#include <QJsonValue>

#include <algorithm>

using WireFormat::qbytes;

namespace {
constexpr size_t kMaxField = 4096;

// Among the most common passwords of published breaches.
const char *const kBreached[] = {
    "123456",    "password",  "12345678",   "qwerty",    "123456789", "12345",      "1234",     "111111",
    "1234567",   "dragon",    "123123",     "baseball",  "abc123",    "football",   "monkey",   "letmein",
    "696969",    "shadow",    "master",     "666666",    "qwertyuiop", "123321",    "mustang",  "1234567890",
    "michael",   "654321",    "superman",   "1qaz2wsx",  "7777777",   "121212",     "000000",   "qazwsx",
    "123qwe",    "killer",    "trustno1",   "jordan",    "jennifer",  "zxcvbnm",    "asdfgh",   "hunter",
    "buster",    "soccer",    "harley",     "batman",    "andrew",    "tigger",     "sunshine", "iloveyou",
    "charlie",   "robert",    "thomas",     "hockey",    "ranger",    "daniel",     "starwars", "112233",
    "george",    "computer",  "michelle",   "jessica",   "pepper",    "1111",       "zxcvbn",   "555555",
    "11111111",  "131313",    "freedom",    "777777",    "pass",      "maggie",     "159753",   "aaaaaa",
    "ginger",    "princess",  "joshua",     "cheese",    "amanda",    "summer",     "love",     "ashley",
    "nicole",    "chelsea",   "matthew",    "access",    "yankees",   "987654321",  "dallas",   "austin",
    "thunder",   "taylor",    "matrix",     "admin",     "welcome",   "passw0rd",   "password1", "Password1",
    "qwerty123", "secret",    "P@ssw0rd",   "changeme",
};
} // namespace

bool PasswordHandlers::isBreached(const std::string &password)
{
    return std::any_of(std::begin(kBreached), std::end(kBreached),
                       [&](const char *known) { return password == known; });
}

PasswordHandlers::PasswordHandlers(ServiceServer &server) : m_server(server)
{
    using S = ServiceServer;
    auto bind = [this](void (PasswordHandlers::*method)(Call &)) {
        return [this, method](Call &c) { (this->*method)(c); };
    };
    for (const std::string base : {"/rest/loggedin/2/passwords", "/api/sync/1/passwords"}) {
        server.route("GET", base, S::Auth::LoggedIn, S::Body::None, bind(&PasswordHandlers::list));
        server.route("GET", base + "/{}", S::Auth::LoggedIn, S::Body::None, bind(&PasswordHandlers::get));
        server.route("POST", base, S::Auth::LoggedIn, S::Body::Json, bind(&PasswordHandlers::create));
        server.route("PUT", base + "/{}", S::Auth::LoggedIn, S::Body::Json, bind(&PasswordHandlers::update));
        server.route("DELETE", base + "/{}", S::Auth::LoggedIn, S::Body::None, bind(&PasswordHandlers::remove));
        server.route("POST", base + "/breached", S::Auth::LoggedIn, S::Body::Json, bind(&PasswordHandlers::breached));
    }
}

void PasswordHandlers::writeEntry(JsonWriter &w, const PasswordStore::Entry &e)
{
    w.beginObject()
        .member("id", std::to_string(e.id))
        .member("title", e.title)
        .member("username", e.username)
        .member("url", e.url)
        .member("comment", e.comment)
        .endObject();
}

Outcome<std::string> PasswordHandlers::decryptSecret(Call &call)
{
    const auto hex = jsonString(call.json, "password");
    const auto ivHex = jsonString(call.json, "transportIv");
    if (!hex || !ivHex)
        return Outcome<std::string>::failure(ServiceStatus::BadRequest,
                                             "\"password\" and \"transportIv\" (hexadecimal text) are required");
    const auto iv = ivHex->size() == 32 ? WireFormat::fromHex(*ivHex) : std::nullopt;
    if (!iv)
        return Outcome<std::string>::failure(ServiceStatus::BadRequest, "\"transportIv\" must be 32 hexadecimal digits");
    const auto cipherText = WireFormat::fromHex(*hex);
    if (!cipherText || cipherText->empty() || cipherText->size() % 16 != 0 || cipherText->size() > 2 * kMaxField)
        return Outcome<std::string>::failure(ServiceStatus::BadRequest,
                                             "\"password\" must be the hexadecimal AES-256-CBC ciphertext");
    QByteArray plain;
    if (!TransportCipher(qbytes(call.session->key)).decryptBytes(qbytes(*cipherText), plain, qbytes(*iv)))
        return Outcome<std::string>::failure(ServiceStatus::BadRequest,
                                             "the password cannot be decrypted with the session key");
    std::string secret(plain.constData(), static_cast<size_t>(plain.size()));
    if (!WireFormat::isValidUtf8(secret))
        return Outcome<std::string>::failure(ServiceStatus::BadRequest, "the password is not UTF-8 text");
    return Outcome<std::string>::success(secret);
}

Outcome<std::string> PasswordHandlers::sealedSecret(Call &call)
{
    const auto secret = decryptSecret(call);
    if (!secret.ok())
        return secret;
    const auto sealed = m_server.data().secrets().seal(*secret.value);
    if (!sealed)
        return Outcome<std::string>::failure(ServiceStatus::Internal, "the password cannot be stored");
    return Outcome<std::string>::success(*sealed);
}

Outcome<PasswordStore::Entry> PasswordHandlers::readEntry(Call &call)
{
    PasswordStore::Entry entry;
    struct Field
    {
        const char *key;
        std::string *target;
        bool required;
    };
    for (const Field &f : {Field{"title", &entry.title, true}, Field{"username", &entry.username, false},
                           Field{"url", &entry.url, false}, Field{"comment", &entry.comment, false}}) {
        const QJsonValue v = call.json.value(QLatin1String(f.key));
        if (v.isUndefined() && !f.required)
            continue;
        if (!v.isString())
            return Outcome<PasswordStore::Entry>::failure(ServiceStatus::BadRequest,
                                                          std::string("\"") + f.key + "\" must be a string");
        *f.target = v.toString().toStdString();
        if (f.target->size() > kMaxField)
            return Outcome<PasswordStore::Entry>::failure(ServiceStatus::BadRequest,
                                                          std::string("\"") + f.key + "\" is too long");
    }
    return Outcome<PasswordStore::Entry>::success(entry);
}

void PasswordHandlers::list(Call &call)
{
    const auto user = m_server.data().accounts().userById(call.session->userId);
    JsonWriter w;
    w.beginObject().member("passwordsMax", user ? user->passwordsMax : 0).key("passwords").beginArray();
    for (const auto &e : m_server.data().passwords().list(call.session->userId))
        writeEntry(w, e);
    w.endArray().endObject();
    call.ok(w.text());
}

void PasswordHandlers::get(Call &call)
{
    ServiceData &data = m_server.data();
    const auto id = WireFormat::parseId(call.params[0]);
    const auto entry = id ? data.passwords().get(call.session->userId, *id) : std::nullopt;
    if (!entry) {
        call.fail(ServiceStatus::NotFound, "password entry not found");
        return;
    }
    const auto secret = data.secrets().open(entry->sealedSecret);
    QByteArray cipherText;
    const QByteArray iv = randomBytes(16);
    if (!secret
        || !TransportCipher(qbytes(call.session->key)).encryptBytes(qbytes(*secret), cipherText, iv)) {
        call.fail(ServiceStatus::Internal, "the password entry cannot be read");
        return;
    }
    JsonWriter w;
    w.beginObject()
        .member("id", std::to_string(entry->id))
        .member("password", WireFormat::toHex(std::string(cipherText.constData(), static_cast<size_t>(cipherText.size()))))
        .member("transportIv", WireFormat::toHex(std::string(iv.constData(), 16)))
        .endObject();
    call.ok(w.text());
}

void PasswordHandlers::create(Call &call)
{
    auto entry = readEntry(call);
    const auto sealed = entry.ok() ? sealedSecret(call) : Outcome<std::string>::from(entry);
    if (!sealed.ok()) {
        call.fail(sealed);
        return;
    }
    ServiceData &data = m_server.data();
    const auto user = data.accounts().userById(call.session->userId);
    if (!user) {
        call.fail(ServiceStatus::Internal, "the password cannot be stored");
        return;
    }
    entry.value->sealedSecret = *sealed.value;
    const auto stored = data.passwords().create(user->id, *entry.value, user->passwordsMax);
    if (!stored.ok()) {
        call.fail(stored);
        return;
    }
    JsonWriter w;
    writeEntry(w, *stored.value);
    call.ok(w.text());
}

void PasswordHandlers::update(Call &call)
{
    ServiceData &data = m_server.data();
    const auto id = WireFormat::parseId(call.params[0]);
    if (!id || !data.passwords().get(call.session->userId, *id)) {
        call.fail(ServiceStatus::NotFound, "password entry not found");
        return;
    }
    auto entry = readEntry(call);
    if (!entry.ok()) {
        call.fail(entry);
        return;
    }
    entry.value->id = *id;
    // Without a new secret the stored one stays.
    if (call.json.contains(QLatin1String("password")) || call.json.contains(QLatin1String("transportIv"))) {
        const auto sealed = sealedSecret(call);
        if (!sealed.ok()) {
            call.fail(sealed);
            return;
        }
        entry.value->sealedSecret = *sealed.value;
    }
    const auto stored = data.passwords().update(call.session->userId, *entry.value);
    if (!stored.ok()) {
        call.fail(stored);
        return;
    }
    JsonWriter w;
    writeEntry(w, *stored.value);
    call.ok(w.text());
}

void PasswordHandlers::remove(Call &call)
{
    const auto id = WireFormat::parseId(call.params[0]);
    if (!id || !m_server.data().passwords().remove(call.session->userId, *id)) {
        call.fail(ServiceStatus::NotFound, "password entry not found");
        return;
    }
    call.ok("{}");
}

void PasswordHandlers::breached(Call &call)
{
    const auto secret = decryptSecret(call);
    if (!secret.ok()) {
        call.fail(secret);
        return;
    }
    // A known-breached password: the caller's entries that use it.
    const bool known = isBreached(*secret.value);
    JsonWriter w;
    w.beginObject().member("breached", known).key("password-ids").beginArray();
    if (known) {
        ServiceData &data = m_server.data();
        for (const auto &e : data.passwords().list(call.session->userId)) {
            const auto stored = data.secrets().open(e.sealedSecret);
            if (stored && WireFormat::equalSecrets(*stored, *secret.value))
                w.value(e.id);
        }
    }
    w.endArray().endObject();
    call.ok(w.text());
}
