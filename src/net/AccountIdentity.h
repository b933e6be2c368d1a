#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

// The logged-in account as the session knows it; set by the login flow.
struct AccountIdentity
{
    qint64 id = 0;
    QString name;        // the account name; keys the per-account settings
    QString displayName; // a second text the service may supply
    QDateTime since;     // when this identity was established

    bool isValid() const { return id > 0 && !name.isEmpty(); }
};
Q_DECLARE_METATYPE(AccountIdentity)
