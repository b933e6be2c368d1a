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
    // new one, then returns the row as stored.
    User recordLogin(const QString &accountName, const QString &serverId, const QDateTime &loginTime);

private:
    OndoDatabase *m_database;
};
