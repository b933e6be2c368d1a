#include "ServiceData.h"

#include "Random.h"
#include "WireFormat.h"

#include <openssl/rand.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char *kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS users (
  id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL UNIQUE, salt BLOB NOT NULL, verifier BLOB NOT NULL,
  userkey_check_500 BLOB NOT NULL, userkey_check_15000 BLOB NOT NULL, state TEXT NOT NULL DEFAULT 'ACTIVE',
  passwords_max INTEGER NOT NULL DEFAULT 100, mobile TEXT NOT NULL DEFAULT '', created INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS user_methods (
  user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE, method TEXT NOT NULL, state TEXT NOT NULL,
  PRIMARY KEY (user_id, method));
CREATE TABLE IF NOT EXISTS itans (
  user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE, idx INTEGER NOT NULL, code TEXT NOT NULL,
  used INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (user_id, idx));
CREATE TABLE IF NOT EXISTS devices (
  user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE, device_id TEXT NOT NULL,
  name TEXT NOT NULL DEFAULT '', secrets TEXT NOT NULL, updated INTEGER NOT NULL, PRIMARY KEY (user_id, device_id));
CREATE TABLE IF NOT EXISTS sessions (
  id TEXT PRIMARY KEY, user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE, session_key BLOB NOT NULL,
  xsrf TEXT NOT NULL, device_id TEXT NOT NULL, client_version TEXT NOT NULL, last_seen INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS safes (
  id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL, type TEXT NOT NULL, quota INTEGER NOT NULL,
  used INTEGER NOT NULL DEFAULT 0, has_trash INTEGER NOT NULL, expiry TEXT NOT NULL DEFAULT '',
  last_event INTEGER NOT NULL DEFAULT 1, last_mod INTEGER NOT NULL, root_id INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS members (
  safe_id INTEGER NOT NULL REFERENCES safes(id) ON DELETE CASCADE,
  user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE, access TEXT NOT NULL, role INTEGER NOT NULL,
  PRIMARY KEY (safe_id, user_id));
CREATE TABLE IF NOT EXISTS objects (
  id INTEGER PRIMARY KEY AUTOINCREMENT, safe_id INTEGER NOT NULL REFERENCES safes(id) ON DELETE CASCADE,
  path TEXT NOT NULL, type TEXT NOT NULL, size INTEGER NOT NULL DEFAULT 0, mtime INTEGER NOT NULL,
  checksum TEXT NOT NULL DEFAULT '', blob TEXT NOT NULL DEFAULT '', trashed INTEGER NOT NULL DEFAULT 0,
  trash_safe_id INTEGER NOT NULL DEFAULT 0, trashed_at INTEGER NOT NULL DEFAULT 0);
CREATE UNIQUE INDEX IF NOT EXISTS objects_live_path ON objects(safe_id, path) WHERE trashed = 0;
CREATE INDEX IF NOT EXISTS objects_trash ON objects(trash_safe_id) WHERE trashed = 1;
CREATE TABLE IF NOT EXISTS versions (
  id INTEGER PRIMARY KEY AUTOINCREMENT, object_id INTEGER NOT NULL REFERENCES objects(id) ON DELETE CASCADE,
  blob TEXT NOT NULL, size INTEGER NOT NULL, checksum TEXT NOT NULL, created INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS passwords (
  id INTEGER PRIMARY KEY AUTOINCREMENT, user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
  title TEXT NOT NULL, username TEXT NOT NULL, url TEXT NOT NULL, comment TEXT NOT NULL, secret BLOB NOT NULL,
  created INTEGER NOT NULL, updated INTEGER NOT NULL);
INSERT OR IGNORE INTO meta (key, value) VALUES ('schema', '1');
)SQL";

bool makeFolder(const std::string &path, mode_t mode)
{
    if (mkdir(path.c_str(), mode) == 0 || errno == EEXIST)
        return true;
    return false;
}
} // namespace

std::unique_ptr<ServiceData> ServiceData::open(const std::string &folder, std::string &error)
{
    std::unique_ptr<ServiceData> data(new ServiceData());
    data->m_folder = folder;
    while (data->m_folder.size() > 1 && data->m_folder.back() == '/')
        data->m_folder.pop_back();
    for (const std::string &sub : {std::string(), std::string("/blobs"), std::string("/tmp"), std::string("/outbox"),
                                   std::string("/tls")}) {
        if (!makeFolder(data->m_folder + sub, 0700)) {
            error = "cannot create folder " + data->m_folder + sub + ": " + std::strerror(errno);
            return nullptr;
        }
    }
    data->m_db = SqliteDb::open(data->m_folder + "/service.db3", error);
    if (!data->m_db)
        return nullptr;
    if (!data->createSchema()) {
        error = "cannot create the schema: " + data->m_db->lastError();
        return nullptr;
    }
    if (!data->loadKey(error))
        return nullptr;
    data->m_accounts = std::make_unique<AccountStore>(*data->m_db);
    data->m_safes = std::make_unique<SafeStore>(*data->m_db);
    data->m_passwords = std::make_unique<PasswordStore>(*data->m_db);
    return data;
}

bool ServiceData::createSchema()
{
    auto guard = m_db->lock();
    return m_db->exec(kSchema);
}

bool ServiceData::loadKey(std::string &error)
{
    // 32 random bytes, readable by the owner only, created once.
    const std::string path = m_folder + "/service.key";
    std::string key(32, '\0');
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        if (RAND_bytes(reinterpret_cast<unsigned char *>(&key[0]), 32) != 1) {
            error = "no random bytes for the service key";
            return false;
        }
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0 || ::write(fd, key.data(), 32) != 32) {
            error = "cannot write the service key " + path + ": " + std::strerror(errno);
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        ::fsync(fd);
        ::close(fd);
    } else {
        const ssize_t n = ::read(fd, &key[0], 32);
        ::close(fd);
        if (n != 32) {
            error = "the service key " + path + " is damaged";
            return false;
        }
    }
    m_box = std::make_unique<SecretBox>(key);
    return true;
}

std::string ServiceData::blobPath(const std::string &blob) const
{
    return m_folder + "/blobs/" + blob.substr(0, 2) + "/" + blob;
}

std::string ServiceData::newBlobId() const
{
    const std::string id = Random::hex(16);
    makeFolder(m_folder + "/blobs/" + id.substr(0, 2), 0700);
    return id;
}

void ServiceData::removeBlobs(const std::vector<std::string> &blobs) const
{
    for (const std::string &blob : blobs) {
        if (blob.size() == 32 && WireFormat::fromHex(blob))
            ::unlink(blobPath(blob).c_str());
    }
}
