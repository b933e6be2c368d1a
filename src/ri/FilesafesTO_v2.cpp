#include "ri/FilesafesTO_v2.h"

#include "net/JsonReader.h"

bool fromJson(const QJsonValue &data, FilesafesTO_v2 &out, QString &error)
{
    JsonReader reader = JsonReader::fromValue(data);
    const QJsonArray list = reader.toArray(QStringLiteral("filesafes"));
    out.filesafes.clear();
    out.filesafes.reserve(list.size());
    for (int i = 0; i < list.size() && reader.ok(); ++i) {
        JsonReader item = reader.element(list, i);
        FileSafe safe;
        safe.safeId = item.toString(QStringLiteral("safe_id"));
        safe.safeType = item.toString(QStringLiteral("safe_type"));
        safe.safeName = item.toString(QStringLiteral("safe_name"));
        safe.access = item.toString(QStringLiteral("access"));
        safe.storageQuota = item.toInt64(QStringLiteral("storage_quota"));
        safe.storageUsed = item.toInt64(QStringLiteral("storage_used"));
        safe.expiryDate = item.toString(QStringLiteral("expiry_date"));
        safe.hasTrash = item.toBool(QStringLiteral("has_trash"));
        safe.rootFolderId = item.toString(QStringLiteral("root_folder_id"));
        safe.roleType = item.toInt(QStringLiteral("role_type"));
        safe.lastEvent = item.toString(QStringLiteral("last_event"));
        safe.lastMod = item.toString(QStringLiteral("last_mod"));
        out.filesafes << safe;
    }
    out.raw = reader.ok() ? list : QJsonArray();
    error = reader.error();
    return reader.ok();
}

QString FilesafesTO_v2::debugString() const
{
    QStringList items;
    for (const FileSafe &s : filesafes)
        items << QStringLiteral("{id:%1 name:'%2' type:%3 access:%4 used:%5/%6 trash:%7 root:%8 role:%9 event:%10}")
                     .arg(s.safeId, s.safeName, s.safeType, s.access)
                     .arg(s.storageUsed)
                     .arg(s.storageQuota)
                     .arg(s.hasTrash ? 1 : 0)
                     .arg(s.rootFolderId)
                     .arg(s.roleType)
                     .arg(s.lastEvent);
    return QStringLiteral("FilesafesTO_v2[#%1]{%2}").arg(filesafes.size()).arg(items.join(QLatin1Char(',')));
}
