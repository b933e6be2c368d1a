#pragma once

#include <QString>
#include <QtGlobal>

// One row of the db_info table: the schema version and the identity of this
// installation's database.
struct DbInfo
{
    qint64 id = 0;
    QString db_version;
    QString device_id;
    QString device_name;
    QString creation_time;
};
