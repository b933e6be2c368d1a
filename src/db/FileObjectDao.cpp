#include "db/FileObjectDao.h"

#include "db/DaoUtil.h"
#include "db/OndoDatabase.h"

#include <QSqlQuery>
#include <QVariant>

namespace {
const char kSelect[] = "SELECT object_id, path, size, local_mtime, remote_mtime, type, checksum FROM fs_object "
                       "WHERE setting_id = :settingsId";

FileObject fromCursor(const QSqlQuery &q)
{
    FileObject o;
    o.objectId = q.value(0).toString();
    o.path = q.value(1).toString();
    o.size = q.value(2).toLongLong();
    o.localMtime = DaoUtil::fromMs(q.value(3));
    o.remoteMtime = DaoUtil::fromMs(q.value(4));
    o.type = q.value(5).toString();
    o.checksum = q.value(6).toString();
    return o;
}
} // namespace

FileObjectDao::FileObjectDao(OndoDatabase *database, QObject *parent)
    : QObject(parent)
    , m_database(database)
{
}

bool FileObjectDao::store(int settingId, const FileObject &object)
{
    QSqlQuery q(m_database->database());
    q.prepare(QStringLiteral("INSERT INTO fs_object (object_id, path, setting_id, checksum, local_mtime, remote_mtime, "
                             "type, size)  VALUES (:object_id, :path, :setting_id, :checksum, :local_mtime, "
                             ":remote_mtime, :type, :size)"));
    q.bindValue(QStringLiteral(":object_id"), object.objectId);
    q.bindValue(QStringLiteral(":path"), object.path);
    q.bindValue(QStringLiteral(":setting_id"), settingId);
    q.bindValue(QStringLiteral(":checksum"), object.checksum);
    q.bindValue(QStringLiteral(":local_mtime"), DaoUtil::toMs(object.localMtime));
    q.bindValue(QStringLiteral(":remote_mtime"), DaoUtil::toMs(object.remoteMtime));
    q.bindValue(QStringLiteral(":type"), object.type);
    q.bindValue(QStringLiteral(":size"), object.size);
    if (!m_database->exec(q))
        return false;
    qDebug("FileObjectDao::store: insert into fs_object: oid:%lld syncsettings[s%d] path:'%s'",
           q.lastInsertId().toLongLong(), settingId, qUtf8Printable(object.path));
    return true;
}

bool FileObjectDao::remove(int settingId, const QString &path)
{
    QSqlQuery q(m_database->database());
    q.prepare(QStringLiteral("DELETE FROM fs_object WHERE setting_id = :setting_id AND path = :path"));
    q.bindValue(QStringLiteral(":setting_id"), settingId);
    q.bindValue(QStringLiteral(":path"), path);
    return m_database->exec(q);
}

bool FileObjectDao::replace(int settingId, const FileObject &object)
{
    // One transaction: a crash between the two statements must not lose the
    // state of the path.
    OndoDatabase::Transaction transaction(m_database);
    return transaction.end(remove(settingId, object.path) && store(settingId, object));
}

OndoDatabase *FileObjectDao::database() const
{
    return m_database;
}

FileObjects FileObjectDao::getAll(int settingId) const
{
    QSqlQuery q(m_database->database());
    q.setForwardOnly(true);
    q.prepare(QString::fromLatin1(kSelect));
    q.bindValue(QStringLiteral(":settingsId"), settingId);
    FileObjects all;
    if (!m_database->exec(q))
        return all;
    while (q.next()) {
        FileObject o = fromCursor(q);
        const QString path = o.path;
        all.insert(path, std::move(o));
    }
    return all;
}

std::optional<FileObject> FileObjectDao::get(int settingId, const QString &path) const
{
    QSqlQuery q(m_database->database());
    q.prepare(QString::fromLatin1(kSelect) + QStringLiteral(" AND path = :path"));
    q.bindValue(QStringLiteral(":settingsId"), settingId);
    q.bindValue(QStringLiteral(":path"), path);
    if (!m_database->exec(q))
        return std::nullopt;
    std::optional<FileObject> found;
    while (q.next())
        found = fromCursor(q);
    return found;
}
