#include "db/DaoUtil.h"

#include "db/OndoDatabase.h"

#include <QSqlQuery>

namespace DaoUtil {

QDateTime fromMs(const QVariant &value)
{
    if (value.isNull() || value.toLongLong() <= 0)
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(value.toLongLong(), Qt::UTC);
}

QVariant toMs(const QDateTime &time)
{
    return time.isValid() ? QVariant(time.toMSecsSinceEpoch()) : QVariant(QVariant::LongLong);
}

int changes(OndoDatabase *database)
{
    QSqlQuery query(database->database());
    query.prepare(QStringLiteral("SELECT changes()"));
    if (!database->exec(query) || !query.next())
        return -1;
    return query.value(0).toInt();
}

} // namespace DaoUtil
