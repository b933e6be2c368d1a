#pragma once

#include <QDateTime>
#include <QString>

// One row of the `user` table: an account on a server. An id of 0 or less
// stands for no user.
struct User
{
    qint64 id = 0;
    QString serverId;
    QString accountName;
    QDateTime lastLogin;

    bool isValid() const { return id > 0; }
};
