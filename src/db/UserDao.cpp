#include "db/UserDao.h"

#include "db/OndoDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
const char kSelect[] = "SELECT   id,   server_id,   account_name,   last_login FROM user "
                       "WHERE account_name = :account_name AND server_id =:server_id";
const char kSelectAfterLogin[] = "SELECT   id,   account_name,   server_id,   last_login FROM user "
                                 "WHERE account_name = :account_name AND server_id =:server_id";

QDateTime fromMs(const QVariant &v)
{
    if (v.isNull() || v.toLongLong() <= 0)
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(v.toLongLong(), Qt::UTC);
}
} // namespace

UserDao::UserDao(OndoDatabase *database, QObject *parent)
    : QObject(parent)
    , m_database(database)
{
}

QList<User> UserDao::find(const QString &accountName, const QString &serverId, bool *ok) const
{
    QList<User> found;
    QSqlQuery query(m_database->database());
    query.prepare(QString::fromLatin1(kSelect));
    query.bindValue(QStringLiteral(":account_name"), accountName);
    query.bindValue(QStringLiteral(":server_id"), serverId);
    *ok = m_database->exec(query);
    if (!*ok) {
        qWarning("UserDao::loadUser: query failed: %s", qUtf8Printable(query.lastError().text()));
        return found;
    }
    while (query.next())
        found.append(User{query.value(0).isNull() ? 0 : query.value(0).toLongLong(), query.value(1).toString(),
                          query.value(2).toString(), fromMs(query.value(3))});
    return found;
}

User UserDao::loadUser(const QString &accountName, const QString &serverId) const
{
    bool ok = false;
    const QList<User> found = find(accountName, serverId, &ok);
    if (found.isEmpty())
        return User();
    if (found.size() > 1) {
        qWarning("UserDao::loadUser: expected 0 or 1, but found %d users for name:'%s' (server:%s)",
                 int(found.size()), qUtf8Printable(accountName), qUtf8Printable(serverId));
        return User();
    }
    if (found.first().id <= 0) {
        qWarning("UserDao::loadUser: the user found by (name:'%s' server:'%s') has an invlid id: %lld",
                 qUtf8Printable(accountName), qUtf8Printable(serverId), found.first().id);
        return User();
    }
    return found.first();
}

bool UserDao::run(const char *statement) const
{
    QSqlQuery query(m_database->database());
    query.prepare(QString::fromLatin1(statement));
    return m_database->exec(query);
}

User UserDao::recordLogin(const QString &accountName, const QString &serverId, const QDateTime &loginTime)
{
    const QVariant lastLogin = loginTime.isValid() ? QVariant(loginTime.toMSecsSinceEpoch()) : QVariant();
    // The write lock is taken before the look-up: a second program logging
    // in the same new account waits here and then finds the first's row.
    if (!run("BEGIN IMMEDIATE"))
        return User();
    const User user = recordLoginLocked(accountName, serverId, lastLogin);
    if (user.isValid() && run("COMMIT"))
        return user;
    run("ROLLBACK");
    return User();
}

User UserDao::recordLoginLocked(const QString &accountName, const QString &serverId, const QVariant &lastLogin)
{
    bool ok = false;
    const QList<User> found = find(accountName, serverId, &ok);
    if (!ok)
        return User();
    QSqlQuery query(m_database->database());
    if (found.size() == 1 && found.first().isValid()) {
        query.prepare(QStringLiteral("UPDATE user SET last_login = :last_login WHERE id = :id"));
        query.bindValue(QStringLiteral(":last_login"), lastLogin);
        query.bindValue(QStringLiteral(":id"), found.first().id);
    } else if (found.isEmpty()) {
        // The id is given, not left to the table: a file migrated from 0.2.9
        // has a user table whose id is a plain column, where a row inserted
        // without one keeps a NULL id for ever.
        query.prepare(QStringLiteral("INSERT INTO user (  id,   server_id,   account_name,   last_login) VALUES (  "
                                     "(SELECT IFNULL(MAX(id), 0) + 1 FROM user),   :server_id,   :account_name,   "
                                     ":last_login)"));
        query.bindValue(QStringLiteral(":server_id"), serverId);
        query.bindValue(QStringLiteral(":account_name"), accountName);
        query.bindValue(QStringLiteral(":last_login"), lastLogin);
    } else {
        // Another row would only add to the confusion.
        qWarning("UserDao::recordLogin: %d rows without a single valid id for name:'%s' (server:%s)",
                 int(found.size()), qUtf8Printable(accountName), qUtf8Printable(serverId));
        return User();
    }
    if (!m_database->exec(query))
        return User();

    QSqlQuery readBack(m_database->database());
    readBack.prepare(QString::fromLatin1(kSelectAfterLogin));
    readBack.bindValue(QStringLiteral(":account_name"), accountName);
    readBack.bindValue(QStringLiteral(":server_id"), serverId);
    if (!m_database->exec(readBack) || !readBack.next())
        return User();
    return User{readBack.value(0).toLongLong(), readBack.value(2).toString(), readBack.value(1).toString(),
                fromMs(readBack.value(3))};
}
