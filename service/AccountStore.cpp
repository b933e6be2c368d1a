#include "AccountStore.h"

#include "Random.h"
#include "WireFormat.h"


namespace {
const char *kUserColumns =
    "SELECT id, name, salt, verifier, userkey_check_500, userkey_check_15000, state, passwords_max, mobile FROM users ";

std::string joinSecrets(const std::vector<std::string> &secrets)
{
    std::string out;
    for (const auto &s : secrets) {
        if (!out.empty())
            out += ',';
        out += s;
    }
    return out;
}

std::vector<std::string> splitSecrets(const std::string &text)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}
} // namespace

AccountStore::User AccountStore::readUser(SqliteDb::Statement &q)
{
    User u;
    u.id = q.int64(0);
    u.name = q.text(1);
    u.salt = q.blob(2);
    u.verifier = q.blob(3);
    u.keyCheck500 = q.blob(4);
    u.keyCheck15000 = q.blob(5);
    u.state = q.text(6);
    u.passwordsMax = static_cast<int>(q.int64(7));
    u.mobile = q.text(8);
    return u;
}

Outcome<std::int64_t> AccountStore::addUser(const User &user, const std::vector<Method> &methods)
{
    auto guard = m_db.lock();
    SqliteDb::Transaction tx(m_db);
    {
        auto &q = m_db.prepare("SELECT id FROM users WHERE name = ?");
        q.bind(1, user.name);
        if (q.step())
            return Outcome<std::int64_t>::failure(ServiceStatus::Conflict, "a user of that name exists");
    }
    auto &ins = m_db.prepare("INSERT INTO users (name, salt, verifier, userkey_check_500, userkey_check_15000, state, "
                             "passwords_max, mobile, created) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    ins.bind(1, user.name)
        .bindBlob(2, user.salt)
        .bindBlob(3, user.verifier)
        .bindBlob(4, user.keyCheck500)
        .bindBlob(5, user.keyCheck15000)
        .bind(6, user.state)
        .bind(7, user.passwordsMax)
        .bind(8, user.mobile)
        .bind(9, WireFormat::nowMs());
    if (!ins.execute())
        return Outcome<std::int64_t>::failure(ServiceStatus::Internal, m_db.lastError());
    const std::int64_t id = m_db.lastInsertId();
    for (const auto &m : methods) {
        if (!setMethod(id, m))
            return Outcome<std::int64_t>::failure(ServiceStatus::Internal, m_db.lastError());
    }
    if (!tx.commit())
        return Outcome<std::int64_t>::failure(ServiceStatus::Internal, m_db.lastError());
    return Outcome<std::int64_t>::success(id);
}

std::optional<AccountStore::User> AccountStore::findUser(const std::string &name)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare((std::string(kUserColumns) + "WHERE name = ?").c_str());
    q.bind(1, name);
    if (!q.step())
        return std::nullopt;
    return readUser(q);
}

std::optional<AccountStore::User> AccountStore::userById(std::int64_t id)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare((std::string(kUserColumns) + "WHERE id = ?").c_str());
    q.bind(1, id);
    if (!q.step())
        return std::nullopt;
    return readUser(q);
}

std::vector<AccountStore::User> AccountStore::users()
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare((std::string(kUserColumns) + "ORDER BY name").c_str());
    std::vector<User> out;
    while (q.step())
        out.push_back(readUser(q));
    return out;
}

bool AccountStore::setState(std::int64_t userId, const std::string &state)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("UPDATE users SET state = ? WHERE id = ?");
    q.bind(1, state).bind(2, userId);
    return q.execute() && m_db.changes() == 1;
}

bool AccountStore::setMethod(std::int64_t userId, const Method &method)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("INSERT INTO user_methods (user_id, method, state) VALUES (?, ?, ?) "
                           "ON CONFLICT (user_id, method) DO UPDATE SET state = excluded.state");
    q.bind(1, userId).bind(2, method.name).bind(3, method.state);
    return q.execute();
}

std::vector<AccountStore::Method> AccountStore::methods(std::int64_t userId)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("SELECT method, state FROM user_methods WHERE user_id = ? ORDER BY rowid");
    q.bind(1, userId);
    std::vector<Method> out;
    while (q.step())
        out.push_back({q.text(0), q.text(1)});
    return out;
}

bool AccountStore::addItans(std::int64_t userId, const std::vector<std::string> &codes)
{
    auto guard = m_db.lock();
    SqliteDb::Transaction tx(m_db);
    m_db.prepare("DELETE FROM itans WHERE user_id = ?").bind(1, userId).execute();
    int index = 1;
    for (const auto &code : codes) {
        auto &q = m_db.prepare("INSERT INTO itans (user_id, idx, code) VALUES (?, ?, ?)");
        q.bind(1, userId).bind(2, index++).bind(3, code);
        if (!q.execute())
            return false;
    }
    return tx.commit();
}

std::optional<std::pair<int, std::string>> AccountStore::pickItan(std::int64_t userId)
{
    auto guard = m_db.lock();
    std::vector<std::pair<int, std::string>> unused;
    auto &q = m_db.prepare("SELECT idx, code FROM itans WHERE user_id = ? AND used = 0");
    q.bind(1, userId);
    while (q.step())
        unused.emplace_back(static_cast<int>(q.int64(0)), q.text(1));
    if (unused.empty())
        return std::nullopt;
    unsigned int r = 0;
    Random::fill(&r, sizeof r);
    return unused[r % unused.size()];
}

bool AccountStore::useItan(std::int64_t userId, int index)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("UPDATE itans SET used = 1 WHERE user_id = ? AND idx = ?");
    q.bind(1, userId).bind(2, index);
    return q.execute();
}

std::vector<std::pair<int, std::string>> AccountStore::itans(std::int64_t userId)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("SELECT idx, code FROM itans WHERE user_id = ? AND used = 0 ORDER BY idx");
    q.bind(1, userId);
    std::vector<std::pair<int, std::string>> out;
    while (q.step())
        out.emplace_back(static_cast<int>(q.int64(0)), q.text(1));
    return out;
}

std::optional<AccountStore::Device> AccountStore::device(std::int64_t userId, const std::string &deviceId)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("SELECT name, secrets FROM devices WHERE user_id = ? AND device_id = ?");
    q.bind(1, userId).bind(2, deviceId);
    if (!q.step())
        return std::nullopt;
    Device d;
    d.deviceId = deviceId;
    d.name = q.text(0);
    d.secrets = splitSecrets(q.text(1));
    return d;
}

bool AccountStore::putDevice(std::int64_t userId, const Device &device)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("INSERT INTO devices (user_id, device_id, name, secrets, updated) VALUES (?, ?, ?, ?, ?) "
                           "ON CONFLICT (user_id, device_id) DO UPDATE SET name = excluded.name, "
                           "secrets = excluded.secrets, updated = excluded.updated");
    q.bind(1, userId).bind(2, device.deviceId).bind(3, device.name).bind(4, joinSecrets(device.secrets));
    q.bind(5, WireFormat::nowMs());
    return q.execute();
}

bool AccountStore::saveSession(const StoredSession &s)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("INSERT OR REPLACE INTO sessions (id, user_id, session_key, xsrf, device_id, "
                           "client_version, last_seen) VALUES (?, ?, ?, ?, ?, ?, ?)");
    q.bind(1, s.id).bind(2, s.userId).bindBlob(3, s.sessionKey).bind(4, s.xsrf).bind(5, s.deviceId);
    q.bind(6, s.clientVersion).bind(7, s.lastSeen);
    return q.execute();
}

bool AccountStore::touchSession(const std::string &id, std::int64_t lastSeen)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("UPDATE sessions SET last_seen = ? WHERE id = ?");
    q.bind(1, lastSeen).bind(2, id);
    return q.execute();
}

bool AccountStore::removeSession(const std::string &id)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("DELETE FROM sessions WHERE id = ?");
    q.bind(1, id);
    return q.execute();
}

std::vector<AccountStore::StoredSession> AccountStore::sessions()
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare(
        "SELECT id, user_id, session_key, xsrf, device_id, client_version, last_seen FROM sessions");
    std::vector<StoredSession> out;
    while (q.step()) {
        StoredSession s;
        s.id = q.text(0);
        s.userId = q.int64(1);
        s.sessionKey = q.blob(2);
        s.xsrf = q.text(3);
        s.deviceId = q.text(4);
        s.clientVersion = q.text(5);
        s.lastSeen = q.int64(6);
        out.push_back(std::move(s));
    }
    return out;
}
