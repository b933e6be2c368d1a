#pragma once

#include "ServiceStatus.h"
#include "SqliteDb.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Entries of the users' password safes. The secret is kept sealed with the
// service key (SecretBox); this store never sees it in clear.
class PasswordStore
{
public:
    struct Entry
    {
        std::int64_t id = 0;
        std::string title;
        std::string username;
        std::string url;
        std::string comment;
        std::string sealedSecret;
    };

    explicit PasswordStore(SqliteDb &db) : m_db(db) {}

    std::vector<Entry> list(std::int64_t userId);
    std::optional<Entry> get(std::int64_t userId, std::int64_t id);
    // Fails with PasswordsExhausted when the user holds `max` entries already.
    Outcome<Entry> create(std::int64_t userId, const Entry &entry, int max);
    // An empty sealed secret keeps the stored one.
    Outcome<Entry> update(std::int64_t userId, const Entry &entry);
    bool remove(std::int64_t userId, std::int64_t id);

private:
    SqliteDb &m_db;
};
