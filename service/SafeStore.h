#pragma once

#include "ServiceStatus.h"
#include "SqliteDb.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// File safes, their members, the objects (folders and files) with their
// versions, and the trash. Paths are stored whole ("/Docs/a.txt", the root
// is "/") so that a subtree is one index range; file contents live in blob
// files named by random ids, never by anything a client sent.
class SafeStore
{
public:
    struct Safe
    {
        std::int64_t id = 0;
        std::string name;
        std::string type;   // PRIVATE, TEAMSAFE, INBOX, MAIL_IN
        std::string access; // the member's letters: c r u d
        int role = 1;       // 1 Administrator, 2 Editor, 3 Restricted Viewer, 4 Viewer
        std::int64_t quota = 0;
        std::int64_t used = 0;
        bool hasTrash = true;
        std::string expiry; // ISO date-time or empty
        std::int64_t lastEvent = 0;
        std::int64_t lastMod = 0;
        std::int64_t rootId = 0;
    };
    struct NewSafe
    {
        std::string name;
        std::string type = "PRIVATE";
        std::string access = "crud";
        int role = 1;
        std::int64_t quota = 10LL * 1024 * 1024 * 1024;
        bool hasTrash = true;
        std::string expiry;
    };
    struct Object
    {
        std::int64_t id = 0;
        std::int64_t safeId = 0;
        std::string path;
        std::string type; // "d" or "f"
        std::int64_t size = 0;
        std::int64_t mtime = 0;
        std::string checksum;
        std::string blob;
        bool trashed = false;
        std::int64_t trashSafeId = 0;
    };
    // One row of a listing, valid only inside the listing's callback.
    struct Listed
    {
        std::int64_t id = 0;
        std::string_view path;
        std::string_view type;
        std::int64_t size = 0;
        std::int64_t mtime = 0;
        std::string_view checksum;
    };
    struct Upload
    {
        std::int64_t safeId = 0;
        std::string folder;         // new files: the destination folder
        std::string name;           // new files: the file name
        std::int64_t objectId = 0;  // new versions: the object
        std::string blob;
        std::int64_t size = 0;
        std::string checksum;
    };

    explicit SafeStore(SqliteDb &db) : m_db(db) {}

    Outcome<std::int64_t> addSafe(std::int64_t userId, const NewSafe &safe);
    bool share(std::int64_t safeId, std::int64_t userId, const std::string &access, int role);
    std::vector<Safe> safesOf(std::int64_t userId);
    std::optional<Safe> safeOf(std::int64_t userId, std::int64_t safeId);
    std::optional<Object> object(std::int64_t id);
    std::optional<Object> liveObject(std::int64_t safeId, const std::string &path);

    // Every live object below a folder (the folder first), in path order.
    // depth 0 is the whole subtree; type 'd' folders only, 'f' files only, 0 all.
    Outcome<Done> list(std::int64_t safeId, const std::string &folder, int depth, char type,
                       const std::function<void(const Listed &)> &sink);
    static Listed listed(const Object &o);
    // An existing folder of that name is answered as it is.
    Outcome<Object> createFolder(std::int64_t safeId, const std::string &parent, const std::string &name);
    // Records a stored blob as a new file or a new version; `obsolete` gets
    // the blobs that are no longer referenced and may be removed.
    Outcome<Object> commitUpload(const Upload &upload, std::vector<std::string> &obsolete);
    // Moves an object (a folder with its subtree) into a trash, or deletes it
    // when no trash takes it. `toPrivate` picks the trash of the user's private safe.
    Outcome<Done> remove(std::int64_t userId, const Object &target, bool toPrivate,
                         std::vector<std::string> &obsolete);
    bool setQuota(std::int64_t safeId, std::int64_t quota);
    std::vector<Object> trashOf(std::int64_t safeId);

private:
    static Object readObject(SqliteDb::Statement &q);
    bool bumpEvent(std::int64_t safeId, std::int64_t now);

    SqliteDb &m_db;
};
