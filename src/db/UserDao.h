#pragma once

#include "db/User.h"

#include <QObject>

class OndoDatabase;

// The `user` table: one row per account and server ever logged in to.
class UserDao : public QObject
{
    Q_OBJECT
public:
    explicit UserDao(OndoDatabase *database, QObject *parent = nullptr);

    // The user of this account on this server; no user (id 0) when there is
    // none, more than one, or the query failed.
    User loadUser(const QString &accountName, const QString &serverId) const;
    // Records a login: updates last_login of the existing row or inserts a
    // new one, then returns the row as stored. The look-up and the insert
    // are one write transaction, so two programs logging in a new account at
    // once make one row. No user when the account has more than one row or
    // a row without a valid id (OndoDatabase::init repairs those).
    User recordLogin(const QString &accountName, const QString &serverId, const QDateTime &loginTime);

private:
    // The rows of the account; nothing when the query failed (`ok` false).
    QList<User> find(const QString &accountName, const QString &serverId, bool *ok) const;
    User recordLoginLocked(const QString &accountName, const QString &serverId, const QVariant &lastLogin);
    bool run(const char *statement) const;

    OndoDatabase *m_database;
};
