#pragma once

#include "ServiceStatus.h"
#include "SqliteDb.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Accounts, their second factors, iTAN lists, known devices (doubleSec) and
// the logged-in sessions. Accounts keep the SRP salt and verifier and a
// digest of the user key; never the password.
class AccountStore
{
public:
    struct User
    {
        std::int64_t id = 0;
        std::string name;        // lower case
        std::string salt;        // minimal big-endian bytes
        std::string verifier;    // minimal big-endian bytes
        std::string keyCheck500; // SHA-256 of the user key derived with 500 iterations
        std::string keyCheck15000;
        std::string state = "ACTIVE"; // ACTIVE, EXPIRED, INHERITANCE_EXECUTED, LOCKED
        int passwordsMax = 100;
        std::string mobile;
    };
    struct Method
    {
        std::string name;  // wire name: MTAN, PHOTOTAN, ITAN, SMS
        std::string state; // active, inactive, initial, permanently.locked, temporarily.locked, unknown
    };
    struct Device
    {
        std::string deviceId;
        std::string name;
        // Values of the doubleSec chain that the next login may build on (hex).
        // More than one only right after a TAN login: the client derives the
        // value from the TAN as typed, and the service cannot know its case.
        std::vector<std::string> secrets;
    };
    struct StoredSession
    {
        std::string id;
        std::int64_t userId = 0;
        std::string sessionKey; // sealed with the service key
        std::string xsrf;
        std::string deviceId;
        std::string clientVersion;
        std::int64_t lastSeen = 0;
    };

    explicit AccountStore(SqliteDb &db) : m_db(db) {}

    Outcome<std::int64_t> addUser(const User &user, const std::vector<Method> &methods);
    std::optional<User> findUser(const std::string &name);
    std::optional<User> userById(std::int64_t id);
    std::vector<User> users();
    bool setState(std::int64_t userId, const std::string &state);
    bool setMethod(std::int64_t userId, const Method &method);
    std::vector<Method> methods(std::int64_t userId);

    bool addItans(std::int64_t userId, const std::vector<std::string> &codes);
    // A random unused iTAN: index and code.
    std::optional<std::pair<int, std::string>> pickItan(std::int64_t userId);
    bool useItan(std::int64_t userId, int index);
    std::vector<std::pair<int, std::string>> itans(std::int64_t userId);

    std::optional<Device> device(std::int64_t userId, const std::string &deviceId);
    bool putDevice(std::int64_t userId, const Device &device);

    bool saveSession(const StoredSession &session);
    bool touchSession(const std::string &id, std::int64_t lastSeen);
    bool removeSession(const std::string &id);
    std::vector<StoredSession> sessions();

private:
    static User readUser(SqliteDb::Statement &q);

    SqliteDb &m_db;
};
