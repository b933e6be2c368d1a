#pragma once

#include <QJsonValue>
#include <QMetaType>
#include <QString>

// The "data" of the client version reply.
struct ClientVersionTO_v1
{
    QString name;
    QString versionCompatible; // "version_compatible": lowest version still accepted
    QString versionLatest;     // "version_latest": newest version

    // "name:'..' version_compatible:'..' version_latest:'..'" for logs.
    QString toString() const;
};
Q_DECLARE_METATYPE(ClientVersionTO_v1)

bool fromJson(const QJsonValue &data, ClientVersionTO_v1 &out, QString &error);
