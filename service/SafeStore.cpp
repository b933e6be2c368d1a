#include "SafeStore.h"

#include "WireFormat.h"

namespace {
const char *kObjectColumns = "SELECT id, safe_id, path, type, size, mtime, checksum, blob, trashed, trash_safe_id "
                             "FROM objects ";
const char *kSafeColumns = "SELECT s.id, s.name, s.type, m.access, m.role, s.quota, s.used, s.has_trash, s.expiry, "
                           "s.last_event, s.last_mod, s.root_id FROM safes s JOIN members m ON m.safe_id = s.id ";
constexpr int kKeptVersions = 3;

SafeStore::Safe readSafe(SqliteDb::Statement &q)
{
    SafeStore::Safe s;
    s.id = q.int64(0);
    s.name = q.text(1);
    s.type = q.text(2);
    s.access = q.text(3);
    s.role = static_cast<int>(q.int64(4));
    s.quota = q.int64(5);
    s.used = q.int64(6);
    s.hasTrash = q.int64(7) != 0;
    s.expiry = q.text(8);
    s.lastEvent = q.int64(9);
    s.lastMod = q.int64(10);
    s.rootId = q.int64(11);
    return s;
}

// Upper bound of the index range that holds every path below `folder`.
std::pair<std::string, std::string> subtreeRange(const std::string &folder)
{
    if (folder == "/")
        return {"/", "0"};
    return {folder + "/", folder + "0"}; // '0' follows '/' in byte order
}
} // namespace

SafeStore::Object SafeStore::readObject(SqliteDb::Statement &q)
{
    Object o;
    o.id = q.int64(0);
    o.safeId = q.int64(1);
    o.path = q.text(2);
    o.type = q.text(3);
    o.size = q.int64(4);
    o.mtime = q.int64(5);
    o.checksum = q.text(6);
    o.blob = q.text(7);
    o.trashed = q.int64(8) != 0;
    o.trashSafeId = q.int64(9);
    return o;
}

Outcome<std::int64_t> SafeStore::addSafe(std::int64_t userId, const NewSafe &safe)
{
    auto guard = m_db.lock();
    SqliteDb::Transaction tx(m_db);
    const std::int64_t now = WireFormat::nowMs();
    auto &ins = m_db.prepare("INSERT INTO safes (name, type, quota, used, has_trash, expiry, last_event, last_mod) "
                             "VALUES (?, ?, ?, 0, ?, ?, 1, ?)");
    ins.bind(1, safe.name).bind(2, safe.type).bind(3, safe.quota).bind(4, safe.hasTrash ? 1 : 0);
    ins.bind(5, safe.expiry).bind(6, now);
    if (!ins.execute())
        return Outcome<std::int64_t>::failure(ServiceStatus::Internal, m_db.lastError());
    const std::int64_t safeId = m_db.lastInsertId();
    auto &root = m_db.prepare("INSERT INTO objects (safe_id, path, type, mtime) VALUES (?, '/', 'd', ?)");
    root.bind(1, safeId).bind(2, now);
    if (!root.execute())
        return Outcome<std::int64_t>::failure(ServiceStatus::Internal, m_db.lastError());
    const std::int64_t rootId = m_db.lastInsertId();
    m_db.prepare("UPDATE safes SET root_id = ? WHERE id = ?").bind(1, rootId).bind(2, safeId).execute();
    if (!share(safeId, userId, safe.access, safe.role) || !tx.commit())
        return Outcome<std::int64_t>::failure(ServiceStatus::Internal, m_db.lastError());
    return Outcome<std::int64_t>::success(safeId);
}

bool SafeStore::share(std::int64_t safeId, std::int64_t userId, const std::string &access, int role)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("INSERT INTO members (safe_id, user_id, access, role) VALUES (?, ?, ?, ?) "
                           "ON CONFLICT (safe_id, user_id) DO UPDATE SET access = excluded.access, role = excluded.role");
    q.bind(1, safeId).bind(2, userId).bind(3, access).bind(4, role);
    return q.execute();
}

std::vector<SafeStore::Safe> SafeStore::safesOf(std::int64_t userId)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare((std::string(kSafeColumns) + "WHERE m.user_id = ? ORDER BY s.id").c_str());
    q.bind(1, userId);
    std::vector<Safe> out;
    while (q.step())
        out.push_back(readSafe(q));
    return out;
}

std::optional<SafeStore::Safe> SafeStore::safeOf(std::int64_t userId, std::int64_t safeId)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare((std::string(kSafeColumns) + "WHERE m.user_id = ? AND s.id = ?").c_str());
    q.bind(1, userId).bind(2, safeId);
    if (!q.step())
        return std::nullopt;
    return readSafe(q);
}

std::optional<SafeStore::Object> SafeStore::object(std::int64_t id)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare((std::string(kObjectColumns) + "WHERE id = ?").c_str());
    q.bind(1, id);
    if (!q.step())
        return std::nullopt;
    return readObject(q);
}

std::optional<SafeStore::Object> SafeStore::liveObject(std::int64_t safeId, const std::string &path)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare((std::string(kObjectColumns) + "WHERE safe_id = ? AND path = ? AND trashed = 0").c_str());
    q.bind(1, safeId).bind(2, path);
    if (!q.step())
        return std::nullopt;
    return readObject(q);
}

SafeStore::Listed SafeStore::listed(const Object &o)
{
    return {o.id, o.path, o.type, o.size, o.mtime, o.checksum};
}

Outcome<Done> SafeStore::list(std::int64_t safeId, const std::string &folder, int depth, char type,
                              const std::function<void(const Listed &)> &sink)
{
    auto guard = m_db.lock();
    const auto base = liveObject(safeId, folder);
    if (!base || base->type != "d")
        return Outcome<Done>::failure(ServiceStatus::ObjectNotFound, "folder not found: " + folder);
    if (type != 'f')
        sink(listed(*base));
    const size_t baseDepth = WireFormat::splitPath(folder).size();
    const auto range = subtreeRange(folder);
    auto &q = m_db.prepare("SELECT id, path, type, size, mtime, checksum FROM objects "
                           "WHERE safe_id = ? AND trashed = 0 AND path >= ? AND path < ? ORDER BY path");
    q.bind(1, safeId).bind(2, range.first).bind(3, range.second);
    Listed row;
    while (q.step()) {
        row.path = q.textView(1);
        row.type = q.textView(2);
        if (row.path == folder || row.type.empty() || (type && row.type[0] != type))
            continue;
        if (depth > 0) {
            size_t components = 0;
            for (char c : row.path)
                components += c == '/';
            if (components - baseDepth > static_cast<size_t>(depth))
                continue;
        }
        row.id = q.int64(0);
        row.size = q.int64(3);
        row.mtime = q.int64(4);
        row.checksum = q.textView(5);
        sink(row);
    }
    if (q.failed())
        return Outcome<Done>::failure(ServiceStatus::Internal, m_db.lastError());
    return Outcome<Done>::success({});
}

bool SafeStore::bumpEvent(std::int64_t safeId, std::int64_t now)
{
    auto &q = m_db.prepare("UPDATE safes SET last_event = last_event + 1, last_mod = ? WHERE id = ?");
    q.bind(1, now).bind(2, safeId);
    return q.execute();
}

Outcome<SafeStore::Object> SafeStore::createFolder(std::int64_t safeId, const std::string &parent,
                                                   const std::string &name)
{
    auto guard = m_db.lock();
    SqliteDb::Transaction tx(m_db);
    const auto folder = liveObject(safeId, parent);
    if (!folder || folder->type != "d")
        return Outcome<Object>::failure(ServiceStatus::DestinationNotFound, "destination folder not found: " + parent);
    const std::string path = WireFormat::joinPath(parent, name);
    if (const auto existing = liveObject(safeId, path)) {
        if (existing->type == "d")
            return Outcome<Object>::success(*existing);
        return Outcome<Object>::failure(ServiceStatus::Conflict, "a file of that name exists: " + path);
    }
    const std::int64_t now = WireFormat::nowMs();
    auto &ins = m_db.prepare("INSERT INTO objects (safe_id, path, type, mtime) VALUES (?, ?, 'd', ?)");
    ins.bind(1, safeId).bind(2, path).bind(3, now);
    if (!ins.execute() || !bumpEvent(safeId, now))
        return Outcome<Object>::failure(ServiceStatus::Internal, m_db.lastError());
    const std::int64_t id = m_db.lastInsertId();
    if (!tx.commit())
        return Outcome<Object>::failure(ServiceStatus::Internal, m_db.lastError());
    return Outcome<Object>::success(*object(id));
}

Outcome<SafeStore::Object> SafeStore::commitUpload(const Upload &up, std::vector<std::string> &obsolete)
{
    auto guard = m_db.lock();
    SqliteDb::Transaction tx(m_db);
    const std::int64_t now = WireFormat::nowMs();
    std::int64_t quota = 0;
    std::int64_t used = 0;
    {
        auto &q = m_db.prepare("SELECT quota, used FROM safes WHERE id = ?");
        q.bind(1, up.safeId);
        if (!q.step())
            return Outcome<Object>::failure(ServiceStatus::NoModule, "file safe not found");
        quota = q.int64(0);
        used = q.int64(1);
    }
    std::int64_t id = up.objectId;
    std::int64_t oldSize = 0;
    if (id == 0) {
        const auto folder = liveObject(up.safeId, up.folder);
        if (!folder || folder->type != "d")
            return Outcome<Object>::failure(ServiceStatus::DestinationNotFound,
                                            "destination folder not found: " + up.folder);
        const std::string path = WireFormat::joinPath(up.folder, up.name);
        if (liveObject(up.safeId, path))
            return Outcome<Object>::failure(ServiceStatus::Conflict, "an object of that name exists: " + path);
        if (used + up.size > quota)
            return Outcome<Object>::failure(ServiceStatus::QuotaExceeded, "storage quota exceeded");
        auto &ins = m_db.prepare("INSERT INTO objects (safe_id, path, type, size, mtime, checksum, blob) "
                                 "VALUES (?, ?, 'f', ?, ?, ?, ?)");
        ins.bind(1, up.safeId).bind(2, path).bind(3, up.size).bind(4, now).bind(5, up.checksum).bind(6, up.blob);
        if (!ins.execute())
            return Outcome<Object>::failure(ServiceStatus::Internal, m_db.lastError());
        id = m_db.lastInsertId();
    } else {
        const auto current = object(id);
        if (!current || current->trashed || current->type != "f" || current->safeId != up.safeId)
            return Outcome<Object>::failure(ServiceStatus::ObjectNotFound, "file not found");
        oldSize = current->size;
        if (used - oldSize + up.size > quota)
            return Outcome<Object>::failure(ServiceStatus::QuotaExceeded, "storage quota exceeded");
        auto &keep = m_db.prepare("INSERT INTO versions (object_id, blob, size, checksum, created) VALUES (?, ?, ?, ?, ?)");
        keep.bind(1, id).bind(2, current->blob).bind(3, current->size).bind(4, current->checksum).bind(5, current->mtime);
        auto &upd = m_db.prepare("UPDATE objects SET size = ?, mtime = ?, checksum = ?, blob = ? WHERE id = ?");
        upd.bind(1, up.size).bind(2, now).bind(3, up.checksum).bind(4, up.blob).bind(5, id);
        if (!keep.execute() || !upd.execute())
            return Outcome<Object>::failure(ServiceStatus::Internal, m_db.lastError());
        // Only the latest few versions are kept.
        auto &old = m_db.prepare("SELECT id, blob FROM versions WHERE object_id = ? ORDER BY id DESC LIMIT -1 OFFSET ?");
        old.bind(1, id).bind(2, kKeptVersions);
        std::vector<std::int64_t> drop;
        while (old.step()) {
            drop.push_back(old.int64(0));
            obsolete.push_back(old.text(1));
        }
        for (std::int64_t v : drop)
            m_db.prepare("DELETE FROM versions WHERE id = ?").bind(1, v).execute();
    }
    auto &acc = m_db.prepare("UPDATE safes SET used = used + ? WHERE id = ?");
    acc.bind(1, up.size - oldSize).bind(2, up.safeId);
    if (!acc.execute() || !bumpEvent(up.safeId, now) || !tx.commit()) {
        obsolete.clear();
        return Outcome<Object>::failure(ServiceStatus::Internal, m_db.lastError());
    }
    return Outcome<Object>::success(*object(id));
}

Outcome<Done> SafeStore::remove(std::int64_t userId, const Object &target, bool toPrivate,
                                std::vector<std::string> &obsolete)
{
    auto guard = m_db.lock();
    SqliteDb::Transaction tx(m_db);
    const auto current = object(target.id);
    if (!current || current->trashed)
        return Outcome<Done>::failure(ServiceStatus::ObjectNotFound, "object not found");
    if (current->path == "/")
        return Outcome<Done>::failure(ServiceStatus::Forbidden, "the root folder cannot be deleted");
    const auto safe = safeOf(userId, current->safeId);
    if (!safe)
        return Outcome<Done>::failure(ServiceStatus::ObjectNotFound, "object not found");

    // The trash that takes the object: the user's private safe for
    // "trashToPrivate" when there is one with a trash, else the safe's own.
    std::int64_t trashSafe = safe->hasTrash ? safe->id : 0;
    if (toPrivate) {
        for (const Safe &s : safesOf(userId)) {
            if (s.type == "PRIVATE" && s.hasTrash) {
                trashSafe = s.id;
                break;
            }
        }
    }

    // The object and, for a folder, everything below it.
    std::vector<Object> affected{*current};
    if (current->type == "d") {
        const auto range = subtreeRange(current->path);
        auto &q = m_db.prepare(
            (std::string(kObjectColumns) + "WHERE safe_id = ? AND trashed = 0 AND path >= ? AND path < ?").c_str());
        q.bind(1, current->safeId).bind(2, range.first).bind(3, range.second);
        while (q.step())
            affected.push_back(readObject(q));
    }
    std::int64_t bytes = 0;
    for (const Object &o : affected)
        bytes += o.size;

    const std::int64_t now = WireFormat::nowMs();
    for (const Object &o : affected) {
        if (trashSafe) {
            auto &q = m_db.prepare("UPDATE objects SET trashed = 1, trash_safe_id = ?, trashed_at = ? WHERE id = ?");
            q.bind(1, trashSafe).bind(2, now).bind(3, o.id);
            if (!q.execute())
                return Outcome<Done>::failure(ServiceStatus::Internal, m_db.lastError());
        } else {
            auto &v = m_db.prepare("SELECT blob FROM versions WHERE object_id = ?");
            v.bind(1, o.id);
            while (v.step())
                obsolete.push_back(v.text(0));
            if (!o.blob.empty())
                obsolete.push_back(o.blob);
            if (!m_db.prepare("DELETE FROM objects WHERE id = ?").bind(1, o.id).execute())
                return Outcome<Done>::failure(ServiceStatus::Internal, m_db.lastError());
        }
    }
    // Bytes in a trash still count against the quota of the safe that holds that trash.
    if (trashSafe != current->safeId) {
        m_db.prepare("UPDATE safes SET used = used - ? WHERE id = ?").bind(1, bytes).bind(2, current->safeId).execute();
        if (trashSafe)
            m_db.prepare("UPDATE safes SET used = used + ? WHERE id = ?").bind(1, bytes).bind(2, trashSafe).execute();
    }
    if (!bumpEvent(current->safeId, now) || !tx.commit()) {
        obsolete.clear();
        return Outcome<Done>::failure(ServiceStatus::Internal, m_db.lastError());
    }
    return Outcome<Done>::success({});
}

bool SafeStore::setQuota(std::int64_t safeId, std::int64_t quota)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("UPDATE safes SET quota = ? WHERE id = ?");
    q.bind(1, quota).bind(2, safeId);
    return q.execute() && m_db.changes() == 1;
}

std::vector<SafeStore::Object> SafeStore::trashOf(std::int64_t safeId)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare((std::string(kObjectColumns) + "WHERE trashed = 1 AND trash_safe_id = ? ORDER BY id").c_str());
    q.bind(1, safeId);
    std::vector<Object> out;
    while (q.step())
        out.push_back(readObject(q));
    return out;
}
