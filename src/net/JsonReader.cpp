#include "net/JsonReader.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QVariant>

#include <cmath>
#include <limits>

namespace {
// Integers travel as JSON numbers; Qt keeps integral numbers as qlonglong
// inside the variant, so 64-bit values survive when they were integral.
bool asInt64(const QJsonValue &value, qint64 *out)
{
    if (!value.isDouble())
        return false;
    const QVariant v = value.toVariant();
    if (v.userType() == QMetaType::LongLong || v.userType() == QMetaType::Int) {
        *out = v.toLongLong();
        return true;
    }
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::floor(d) != d || std::fabs(d) > 9007199254740992.0)
        return false;
    *out = qint64(d);
    return true;
}

bool asInt32(const QJsonValue &value, int *out)
{
    qint64 v = 0;
    if (!asInt64(value, &v) || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    *out = int(v);
    return true;
}
} // namespace

JsonReader::JsonReader(const QJsonObject &object)
    : JsonReader(object, std::make_shared<State>())
{
}

JsonReader::JsonReader(const QJsonObject &object, std::shared_ptr<State> state)
    : m_object(object)
    , m_state(std::move(state))
{
}

JsonReader JsonReader::fromText(const QByteArray &text, Emptiness emptiness)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        JsonReader reader;
        reader.fail(QStringLiteral("json document parse error: %1 (code=%2, pos=%3)")
                        .arg(parseError.errorString())
                        .arg(int(parseError.error))
                        .arg(parseError.offset));
        return reader;
    }
    // An array or a scalar document reads as not an object.
    return fromValue(doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(), emptiness);
}

JsonReader JsonReader::fromValue(const QJsonValue &value, Emptiness emptiness)
{
    JsonReader reader;
    if (!value.isObject()) {
        reader.fail(QStringLiteral("json document is not an object"));
        return reader;
    }
    reader.m_object = value.toObject();
    if (emptiness == NonEmpty && reader.m_object.isEmpty())
        reader.fail(QStringLiteral("json document is an empty object"));
    return reader;
}

void JsonReader::fail(const QString &message)
{
    if (m_state->error.isEmpty())
        m_state->error = message.isEmpty() ? QStringLiteral("json: unspecified error") : message;
}

QJsonValue JsonReader::member(const QString &key, Presence presence)
{
    if (!ok())
        return QJsonValue(QJsonValue::Undefined);
    const QJsonValue v = m_object.value(key);
    if (v.isUndefined() || v.isNull()) {
        if (presence == Required)
            fail(QStringLiteral("json object: missing key: '%1'").arg(key));
        return QJsonValue(QJsonValue::Undefined);
    }
    return v;
}

void JsonReader::wrongType(const QString &key, const char *what)
{
    fail(QStringLiteral("json object: key '%1': value is not %2").arg(key, QLatin1String(what)));
}

QJsonValue JsonReader::typed(const QString &key, Presence presence, bool (QJsonValue::*is)() const, const char *what)
{
    const QJsonValue v = member(key, presence);
    if (v.isUndefined() || (v.*is)())
        return v;
    wrongType(key, what);
    return QJsonValue(QJsonValue::Undefined);
}

QString JsonReader::toString(const QString &key, Presence presence)
{
    return typed(key, presence, &QJsonValue::isString, "a string").toString();
}

double JsonReader::toDouble(const QString &key, Presence presence)
{
    return typed(key, presence, &QJsonValue::isDouble, "a number").toDouble();
}

int JsonReader::toInt(const QString &key, Presence presence)
{
    const QJsonValue v = typed(key, presence, &QJsonValue::isDouble, "a number");
    int out = 0;
    if (!v.isUndefined() && !asInt32(v, &out))
        wrongType(key, "an integer");
    return out;
}

qint64 JsonReader::toInt64(const QString &key, Presence presence)
{
    const QJsonValue v = typed(key, presence, &QJsonValue::isDouble, "a number");
    qint64 out = 0;
    if (!v.isUndefined() && !asInt64(v, &out))
        wrongType(key, "an integer");
    return out;
}

bool JsonReader::toBool(const QString &key, Presence presence)
{
    return typed(key, presence, &QJsonValue::isBool, "a bool").toBool();
}

QJsonObject JsonReader::toObject(const QString &key, Presence presence)
{
    return typed(key, presence, &QJsonValue::isObject, "a json object").toObject();
}

QJsonArray JsonReader::toArray(const QString &key, Presence presence)
{
    return typed(key, presence, &QJsonValue::isArray, "a json array").toArray();
}

QStringList JsonReader::toStringList(const QString &key, Presence presence)
{
    const QJsonArray array = toArray(key, presence);
    QStringList out;
    for (int i = 0; i < array.size() && ok(); ++i) {
        if (!array.at(i).isString()) {
            fail(QStringLiteral("json array: value %1 is not a string").arg(i));
            return QStringList();
        }
        out << array.at(i).toString();
    }
    return out;
}

QList<int> JsonReader::toIntList(const QString &key, Presence presence)
{
    const QJsonArray array = toArray(key, presence);
    QList<int> out;
    for (int i = 0; i < array.size() && ok(); ++i) {
        if (!array.at(i).isDouble()) {
            fail(QStringLiteral("json array: value %1 is not a number").arg(i));
            return QList<int>();
        }
        int v = 0;
        if (!asInt32(array.at(i), &v)) {
            fail(QStringLiteral("json array: value %1 is not an integer").arg(i));
            return QList<int>();
        }
        out << v;
    }
    return out;
}

JsonReader JsonReader::child(const QString &key, Presence presence)
{
    return JsonReader(toObject(key, presence), m_state);
}

JsonReader JsonReader::element(const QJsonArray &array, int index)
{
    if (!ok())
        return JsonReader(QJsonObject(), m_state);
    if (index < 0 || index >= array.size() || !array.at(index).isObject()) {
        fail(QStringLiteral("json array: value %1 is not a json object").arg(index));
        return JsonReader(QJsonObject(), m_state);
    }
    return JsonReader(array.at(index).toObject(), m_state);
}

QString JsonReader::compact(const QJsonValue &value)
{
    if (value.isObject())
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    if (value.isArray())
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    if (value.isString())
        return QStringLiteral("\"%1\"").arg(value.toString());
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.isDouble())
        return value.toVariant().toString();
    if (value.isNull())
        return QStringLiteral("null");
    return QString();
}
