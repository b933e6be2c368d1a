#pragma once

#include "Srp.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class ServiceData;

// One server session, from "CREATE_SESSION" on. Its own mutex serialises the
// login steps and the requests of one client.
struct Session
{
    enum class Phase {
        Initial,         // after CREATE_SESSION
        Identified,      // after IDENTIFY_USER: B sent
        SelectMethod,    // M1 right, a second factor is due
        TanPending,      // a challenge was sent (or a TAN was wrong)
        PreAuthenticated,// M1 right, no second factor
        LoggedIn,
    };

    std::mutex mutex;
    std::string id;
    std::string deviceId;
    std::string client;
    std::string clientVersion;
    // Read without the mutex by the request checks; written under it.
    std::atomic<Phase> phase{Phase::Initial};

    std::int64_t userId = 0;
    std::string username;
    std::string salt;
    std::string hexA;
    std::unique_ptr<Srp::ServerHandshake> handshake;
    std::string key; // K, 32 bytes, once M1 was right

    // Second factor.
    std::vector<std::string> offeredMethods;
    std::string method;   // the selected method's wire name
    std::string tan;      // expected answer (upper case), or empty
    int tanTries = 0;
    int itanIndex = 0;
    std::int64_t tanExpires = 0;
    bool doubleSecOffered = false;

    std::string xsrf;
    std::atomic<std::int64_t> lastSeen{0};
    std::atomic<std::int64_t> lastPersisted{0};
};

// All sessions of the service: in memory, with the logged-in ones also in the
// database so that a restart keeps them. A session unused for longer than the
// idle time is gone, as a client notices at its next request.
class SessionRegistry
{
public:
    SessionRegistry(ServiceData &data, int idleSeconds);

    // Null when the service holds its maximum of sessions.
    std::shared_ptr<Session> create(const std::string &deviceId, const std::string &client,
                                    const std::string &version);
    // The live session of that id, its idle clock restarted; null if unknown or expired.
    std::shared_ptr<Session> find(const std::string &id);
    void remove(const std::string &id);
    // Writes a logged-in session (its key sealed) to the database.
    void persist(Session &session);
    // Ends every session of the user (0: of everybody); the number ended.
    int expire(std::int64_t userId);

    void setIdleSeconds(int seconds) { m_idleSeconds = seconds; }
    int idleSeconds() const { return m_idleSeconds; }

private:
    void loadPersisted();
    void dropExpiredLocked(std::int64_t now, bool force = false);

    ServiceData &m_data;
    std::atomic<int> m_idleSeconds;
    std::mutex m_mutex;
    std::map<std::string, std::shared_ptr<Session>> m_sessions;
    std::int64_t m_lastSweep = 0;
};
