#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMetaType>
#include <QString>

class QStandardItemModel;

// One object (file or folder) of a file safe as the service lists it.
struct FilesafeObjectTO
{
    QString objectId;
    // Inside the safe, as the service writes it ("/Docs/a.txt").
    QString path;
    qint64 size = 0;
    QString mtime; // ISO 8601, kept as received
    QString access;
    QString type; // "d" for a folder, otherwise a file
    QString checksum;

    bool isFolder() const { return type == QLatin1String("d"); }
    // The last component of the path.
    QString name() const;
    // mtime as a date-time (UTC); invalid when it does not parse.
    QDateTime modified() const;
};

// The reply of a listing, an upload or a folder creation:
// {"filesafe_objects": [...]}, every key of every object mandatory.
struct FilesafeObjectsTO_v2
{
    QList<FilesafeObjectTO> objects;

    // The objects as JSON, with the service's keys (a listing keeps no copy
    // of the reply: over 100,000 objects that copy alone is 60 MiB).
    static QJsonObject toJson(const FilesafeObjectTO &object);
    QString debugString() const;
    // Columns "Name", "Path", "Type", "Size", "Modified", one row per object.
    void fillModel(QStandardItemModel *model) const;
};
bool fromJson(const QJsonValue &data, FilesafeObjectsTO_v2 &out, QString &error);
Q_DECLARE_METATYPE(FilesafeObjectsTO_v2)
