#pragma once

#include <QMetaType>
#include <QString>

// One server a user can log in to.
struct ServerTO
{
    QString group;
    QString name;   // shown to the user
    QString prefix; // the server's identifier: kept in "net/server", the session's server id
    QString url;    // base URL of the service: scheme, host and port
    bool ssl = false;

    bool operator==(const ServerTO &o) const
    {
        return group == o.group && name == o.name && prefix == o.prefix && url == o.url && ssl == o.ssl;
    }
};
Q_DECLARE_METATYPE(ServerTO)
