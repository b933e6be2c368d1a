#include "PasswordStore.h"

#include "WireFormat.h"

namespace {
PasswordStore::Entry readEntry(SqliteDb::Statement &q)
{
    PasswordStore::Entry e;
    e.id = q.int64(0);
    e.title = q.text(1);
    e.username = q.text(2);
    e.url = q.text(3);
    e.comment = q.text(4);
    e.sealedSecret = q.blob(5);
    return e;
}
} // namespace

std::vector<PasswordStore::Entry> PasswordStore::list(std::int64_t userId)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare(
        "SELECT id, title, username, url, comment, secret FROM passwords WHERE user_id = ? ORDER BY id");
    q.bind(1, userId);
    std::vector<Entry> out;
    while (q.step())
        out.push_back(readEntry(q));
    return out;
}

std::optional<PasswordStore::Entry> PasswordStore::get(std::int64_t userId, std::int64_t id)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare(
        "SELECT id, title, username, url, comment, secret FROM passwords WHERE user_id = ? AND id = ?");
    q.bind(1, userId).bind(2, id);
    if (!q.step())
        return std::nullopt;
    return readEntry(q);
}

Outcome<PasswordStore::Entry> PasswordStore::create(std::int64_t userId, const Entry &entry, int max)
{
    auto guard = m_db.lock();
    SqliteDb::Transaction tx(m_db);
    auto &count = m_db.prepare("SELECT COUNT(*) FROM passwords WHERE user_id = ?");
    count.bind(1, userId);
    if (count.step() && count.int64(0) >= max)
        return Outcome<Entry>::failure(ServiceStatus::PasswordsExhausted,
                                       "the password safe holds its maximum of " + std::to_string(max) + " entries");
    const std::int64_t now = WireFormat::nowMs();
    auto &ins = m_db.prepare("INSERT INTO passwords (user_id, title, username, url, comment, secret, created, updated) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    ins.bind(1, userId).bind(2, entry.title).bind(3, entry.username).bind(4, entry.url).bind(5, entry.comment);
    ins.bindBlob(6, entry.sealedSecret).bind(7, now).bind(8, now);
    if (!ins.execute())
        return Outcome<Entry>::failure(ServiceStatus::Internal, m_db.lastError());
    Entry stored = entry;
    stored.id = m_db.lastInsertId();
    if (!tx.commit())
        return Outcome<Entry>::failure(ServiceStatus::Internal, m_db.lastError());
    return Outcome<Entry>::success(stored);
}

Outcome<PasswordStore::Entry> PasswordStore::update(std::int64_t userId, const Entry &entry)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("UPDATE passwords SET title = ?, username = ?, url = ?, comment = ?, "
                           "secret = CASE WHEN length(?) > 0 THEN ? ELSE secret END, updated = ? "
                           "WHERE user_id = ? AND id = ?");
    q.bind(1, entry.title).bind(2, entry.username).bind(3, entry.url).bind(4, entry.comment);
    q.bindBlob(5, entry.sealedSecret).bindBlob(6, entry.sealedSecret).bind(7, WireFormat::nowMs());
    q.bind(8, userId).bind(9, entry.id);
    if (!q.execute())
        return Outcome<Entry>::failure(ServiceStatus::Internal, m_db.lastError());
    if (m_db.changes() != 1)
        return Outcome<Entry>::failure(ServiceStatus::NotFound, "password entry not found");
    return Outcome<Entry>::success(*get(userId, entry.id));
}

bool PasswordStore::remove(std::int64_t userId, std::int64_t id)
{
    auto guard = m_db.lock();
    auto &q = m_db.prepare("DELETE FROM passwords WHERE user_id = ? AND id = ?");
    q.bind(1, userId).bind(2, id);
    return q.execute() && m_db.changes() == 1;
}
