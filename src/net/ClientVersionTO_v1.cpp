#include "net/ClientVersionTO_v1.h"

#include "net/JsonReader.h"

QString ClientVersionTO_v1::toString() const
{
    return QStringLiteral("name:'%1' version_compatible:'%2' version_latest:'%3'")
        .arg(name, versionCompatible, versionLatest);
}

bool fromJson(const QJsonValue &data, ClientVersionTO_v1 &out, QString &error)
{
    JsonReader reader = JsonReader::fromValue(data);
    out.name = reader.toString(QStringLiteral("name"));
    out.versionCompatible = reader.toString(QStringLiteral("version_compatible"));
    out.versionLatest = reader.toString(QStringLiteral("version_latest"));
    error = reader.error();
    return reader.ok();
}
