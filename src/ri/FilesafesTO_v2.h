#pragma once

#include "db/FileSafe.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QMetaType>
#include <QString>

// The reply of the file safe list: {"filesafes": [...]}, every key of every
// safe mandatory. `raw` keeps the objects as read, for those who show them.
struct FilesafesTO_v2
{
    FileSafes filesafes;
    QJsonArray raw;

    QString debugString() const;
};
bool fromJson(const QJsonValue &data, FilesafesTO_v2 &out, QString &error);
Q_DECLARE_METATYPE(FilesafesTO_v2)
