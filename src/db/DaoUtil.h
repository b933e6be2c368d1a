#pragma once

#include <QDateTime>
#include <QVariant>

class OndoDatabase;
class QSqlQuery;

// Small helpers the data access objects share.
namespace DaoUtil {

// Milliseconds since the epoch; NULL or 0 or less is unset.
QDateTime fromMs(const QVariant &value);
// An unset date-time is stored as NULL.
QVariant toMs(const QDateTime &time);
// The rows the last modifying statement changed ("SELECT changes()"), -1
// when that cannot be read.
int changes(OndoDatabase *database);

} // namespace DaoUtil
