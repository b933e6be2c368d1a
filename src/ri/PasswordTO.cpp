#include "ri/PasswordTO.h"

#include "net/JsonReader.h"

namespace {
void readEntry(JsonReader &r, EmptyPasswordTO &out)
{
    out.id = r.toString(QStringLiteral("id"));
    out.title = r.toString(QStringLiteral("title"));
    out.username = r.toString(QStringLiteral("username"));
    out.url = r.toString(QStringLiteral("url"));
    out.comment = r.toString(QStringLiteral("comment"));
}
} // namespace

bool fromJson(const QJsonValue &data, EmptyPasswordTO &out, QString &error)
{
    JsonReader r = JsonReader::fromValue(data);
    readEntry(r, out);
    return r.finish(error);
}

bool fromJson(const QJsonValue &data, EmptyPasswordsTO &out, QString &error)
{
    JsonReader r = JsonReader::fromValue(data);
    out.passwordsMax = r.toInt(QStringLiteral("passwordsMax"));
    const QJsonArray list = r.toArray(QStringLiteral("passwords"));
    out.passwords.clear();
    for (int i = 0; i < list.size() && r.ok(); ++i) {
        JsonReader element = r.element(list, i);
        EmptyPasswordTO entry;
        readEntry(element, entry);
        out.passwords << entry;
    }
    if (!r.ok())
        out.passwords.clear();
    return r.finish(error);
}

bool fromJson(const QJsonValue &data, SinglePasswordTO &out, QString &error)
{
    JsonReader r = JsonReader::fromValue(data);
    out.id = r.toString(QStringLiteral("id"));
    out.password = r.toString(QStringLiteral("password"));
    const QString iv = r.toString(QStringLiteral("transportIv"));
    out.transportIv = QByteArray::fromHex(iv.toLatin1());
    // A short IV would make every decryption fail later for no visible reason.
    if (r.ok() && out.transportIv.size() != 16)
        r.fail(QStringLiteral("json object: key 'transportIv': value is not 16 bytes of hex"));
    return r.finish(error);
}

bool fromJson(const QJsonValue &data, PasswordIdListTO &out, QString &error)
{
    JsonReader r = JsonReader::fromValue(data);
    out.ids = r.toIntList(QStringLiteral("password-ids"));
    return r.finish(error);
}

PasswordRecord PasswordRecord::from(const EmptyPasswordTO &entry)
{
    PasswordRecord record;
    record.id = entry.id;
    record.title = entry.title;
    record.username = entry.username;
    record.url = entry.url;
    record.comment = entry.comment;
    return record;
}

QJsonObject PasswordRecord::toJson() const
{
    return QJsonObject{{QStringLiteral("title"), title},       {QStringLiteral("username"), username},
                       {QStringLiteral("password"), encryptedPassword}, {QStringLiteral("transportIv"), transportIv},
                       {QStringLiteral("url"), url},           {QStringLiteral("comment"), comment}};
}
