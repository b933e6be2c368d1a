#pragma once

#include "AccountStore.h"
#include "PasswordStore.h"
#include "SafeStore.h"
#include "SecretBox.h"
#include "SqliteDb.h"

#include <memory>
#include <string>

// The data folder of one service: the SQLite database, the service key, the
// blob files, the temporary upload files, the out-of-band outbox and the TLS
// material. Everything a restart must keep lives below it.
class ServiceData
{
public:
    // Creates the folder layout, the schema and the service key when missing.
    static std::unique_ptr<ServiceData> open(const std::string &folder, std::string &error);

    const std::string &folder() const { return m_folder; }
    std::string blobPath(const std::string &blob) const;
    std::string tempFolder() const { return m_folder + "/tmp"; }
    std::string outboxFolder() const { return m_folder + "/outbox"; }
    std::string tlsFolder() const { return m_folder + "/tls"; }
    std::string logPath() const { return m_folder + "/service.log"; }

    // A new blob id (random, 32 hex digits) and its folder created.
    std::string newBlobId() const;
    // Removes blob files that are no longer referenced.
    void removeBlobs(const std::vector<std::string> &blobs) const;

    SqliteDb &db() { return *m_db; }
    AccountStore &accounts() { return *m_accounts; }
    SafeStore &safes() { return *m_safes; }
    PasswordStore &passwords() { return *m_passwords; }
    const SecretBox &secrets() const { return *m_box; }

private:
    ServiceData() = default;
    bool createSchema();
    bool loadKey(std::string &error);

    std::string m_folder;
    std::unique_ptr<SqliteDb> m_db;
    std::unique_ptr<AccountStore> m_accounts;
    std::unique_ptr<SafeStore> m_safes;
    std::unique_ptr<PasswordStore> m_passwords;
    std::unique_ptr<SecretBox> m_box;
};
