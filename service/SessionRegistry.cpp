#include "SessionRegistry.h"

#include "Random.h"
#include "ServiceData.h"
#include "WireFormat.h"

#include <QtGlobal>


#include <algorithm>

namespace {
// Bounds the memory that abandoned handshakes can take.
constexpr size_t kMaxSessions = 100000;
constexpr std::int64_t kHandshakeLifetimeMs = 10 * 60 * 1000;

} // namespace

SessionRegistry::SessionRegistry(ServiceData &data, int idleSeconds) : m_data(data), m_idleSeconds(idleSeconds)
{
    loadPersisted();
}

void SessionRegistry::loadPersisted()
{
    const std::int64_t now = WireFormat::nowMs();
    for (const auto &stored : m_data.accounts().sessions()) {
        const auto key = m_data.secrets().open(stored.sessionKey);
        const auto user = m_data.accounts().userById(stored.userId);
        if (!key || !user || now - stored.lastSeen > static_cast<std::int64_t>(m_idleSeconds) * 1000) {
            m_data.accounts().removeSession(stored.id);
            continue;
        }
        auto s = std::make_shared<Session>();
        s->id = stored.id;
        s->userId = stored.userId;
        s->username = user->name;
        s->key = *key;
        s->xsrf = stored.xsrf;
        s->deviceId = stored.deviceId;
        s->clientVersion = stored.clientVersion;
        s->phase = Session::Phase::LoggedIn;
        s->lastSeen = stored.lastSeen;
        s->lastPersisted = stored.lastSeen;
        m_sessions[s->id] = s;
    }
    qInfo("SessionRegistry::loadPersisted: %d sessions restored", static_cast<int>(m_sessions.size()));
}

std::shared_ptr<Session> SessionRegistry::create(const std::string &deviceId, const std::string &client,
                                                 const std::string &version)
{
    auto s = std::make_shared<Session>();
    s->id = Random::hex(32);
    s->deviceId = deviceId;
    s->client = client;
    s->clientVersion = version;
    s->lastSeen = WireFormat::nowMs();
    std::lock_guard<std::mutex> lock(m_mutex);
    dropExpiredLocked(s->lastSeen, m_sessions.size() >= kMaxSessions);
    if (m_sessions.size() >= kMaxSessions) {
        qWarning("SessionRegistry::create: %d sessions, refusing another", static_cast<int>(m_sessions.size()));
        return nullptr;
    }
    m_sessions[s->id] = s;
    return s;
}

void SessionRegistry::dropExpiredLocked(std::int64_t now, bool force)
{
    // A sweep now and then keeps abandoned handshakes from piling up.
    if (!force && now - m_lastSweep < 10000)
        return;
    m_lastSweep = now;
    const std::int64_t idle = static_cast<std::int64_t>(m_idleSeconds) * 1000;
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        const bool loggedIn = it->second->phase == Session::Phase::LoggedIn;
        const std::int64_t limit = loggedIn ? idle : std::min(idle, kHandshakeLifetimeMs);
        if (now - it->second->lastSeen > limit) {
            if (loggedIn)
                m_data.accounts().removeSession(it->first);
            it = m_sessions.erase(it);
        } else {
            ++it;
        }
    }
}

std::shared_ptr<Session> SessionRegistry::find(const std::string &id)
{
    const std::int64_t now = WireFormat::nowMs();
    std::shared_ptr<Session> s;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_sessions.find(id);
        if (it == m_sessions.end())
            return nullptr;
        s = it->second;
        if (now - s->lastSeen > static_cast<std::int64_t>(m_idleSeconds) * 1000) {
            qInfo("SessionRegistry::find: session s%.8s expired after %d s idle", id.c_str(), m_idleSeconds.load());
            m_sessions.erase(it);
            m_data.accounts().removeSession(id);
            return nullptr;
        }
        s->lastSeen = now;
    }
    if (s->phase == Session::Phase::LoggedIn && now - s->lastPersisted > 5000) {
        s->lastPersisted = now;
        m_data.accounts().touchSession(id, now);
    }
    return s;
}

void SessionRegistry::remove(const std::string &id)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sessions.erase(id);
    }
    m_data.accounts().removeSession(id);
}

void SessionRegistry::persist(Session &session)
{
    const auto sealed = m_data.secrets().seal(session.key);
    if (!sealed) {
        qWarning("SessionRegistry::persist: cannot seal the session key of s%.8s", session.id.c_str());
        return;
    }
    AccountStore::StoredSession stored;
    stored.id = session.id;
    stored.userId = session.userId;
    stored.sessionKey = *sealed;
    stored.xsrf = session.xsrf;
    stored.deviceId = session.deviceId;
    stored.clientVersion = session.clientVersion;
    stored.lastSeen = session.lastSeen;
    session.lastPersisted = stored.lastSeen;
    m_data.accounts().saveSession(stored);
}

int SessionRegistry::expire(std::int64_t userId)
{
    std::vector<std::string> ended;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_sessions.begin(); it != m_sessions.end();) {
            if (userId == 0 || it->second->userId == userId) {
                ended.push_back(it->first);
                it = m_sessions.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto &id : ended)
        m_data.accounts().removeSession(id);
    return static_cast<int>(ended.size());
}
