#include "ri/FilesafeObjectsTO_v2.h"

#include "net/JsonReader.h"

#include <QStandardItemModel>

QString FilesafeObjectTO::name() const
{
    return path.section(QLatin1Char('/'), -1);
}

QDateTime FilesafeObjectTO::modified() const
{
    QDateTime t = QDateTime::fromString(mtime, Qt::ISODateWithMs);
    if (!t.isValid())
        t = QDateTime::fromString(mtime, Qt::ISODate);
    return t.isValid() ? t.toUTC() : QDateTime();
}

bool fromJson(const QJsonValue &data, FilesafeObjectsTO_v2 &out, QString &error)
{
    JsonReader reader = JsonReader::fromValue(data);
    const QJsonArray list = reader.toArray(QStringLiteral("filesafe_objects"));
    out.objects.clear();
    out.objects.reserve(list.size());
    for (int i = 0; i < list.size() && reader.ok(); ++i) {
        JsonReader item = reader.element(list, i);
        FilesafeObjectTO o;
        o.objectId = item.toString(QStringLiteral("object_id"));
        o.path = item.toString(QStringLiteral("path"));
        o.size = item.toInt64(QStringLiteral("size"));
        o.mtime = item.toString(QStringLiteral("mtime"));
        o.access = item.toString(QStringLiteral("access"));
        o.type = item.toString(QStringLiteral("type"));
        o.checksum = item.toString(QStringLiteral("checksum"));
        out.objects << o;
    }
    error = reader.error();
    return reader.ok();
}

QJsonObject FilesafeObjectsTO_v2::toJson(const FilesafeObjectTO &o)
{
    return QJsonObject{{QStringLiteral("object_id"), o.objectId}, {QStringLiteral("path"), o.path},
                       {QStringLiteral("size"), double(o.size)},   {QStringLiteral("mtime"), o.mtime},
                       {QStringLiteral("access"), o.access},       {QStringLiteral("type"), o.type},
                       {QStringLiteral("checksum"), o.checksum}};
}

QString FilesafeObjectsTO_v2::debugString() const
{
    QStringList items;
    for (const FilesafeObjectTO &o : objects)
        items << QStringLiteral("{id:%1 path:'%2' type:%3 size:%4 mtime:%5 access:%6 checksum:%7}")
                     .arg(o.objectId, o.path, o.type)
                     .arg(o.size)
                     .arg(o.mtime, o.access, o.checksum);
    return QStringLiteral("FilesafeObjectsTO_v2[#%1]{%2}").arg(objects.size()).arg(items.join(QLatin1Char(',')));
}

void FilesafeObjectsTO_v2::fillModel(QStandardItemModel *model) const
{
    if (!model)
        return;
    model->clear();
    model->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Path"), QStringLiteral("Type"),
                                      QStringLiteral("Size"), QStringLiteral("Modified")});
    for (const FilesafeObjectTO &o : objects) {
        QList<QStandardItem *> row;
        row << new QStandardItem(o.name()) << new QStandardItem(o.path) << new QStandardItem(o.type);
        auto *size = new QStandardItem;
        size->setData(o.size, Qt::DisplayRole);
        row << size << new QStandardItem(o.mtime);
        for (QStandardItem *item : qAsConst(row))
            item->setEditable(false);
        model->appendRow(row);
    }
}
