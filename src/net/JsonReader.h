#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <memory>

// Reads JSON objects field by field and keeps the first problem as an error
// text. Once a read failed, later reads return empty values and leave the
// error alone, so a parser can read every field and check ok() once:
//
//     JsonReader r = JsonReader::fromText(line, JsonReader::NonEmpty);
//     const int id = r.toInt(QStringLiteral("id"));
//     const QString request = r.toString(QStringLiteral("request"));
//     const QJsonObject body = r.toObject(QStringLiteral("body"), JsonReader::Optional);
//     if (!r.ok())
//         qWarning("Client %d: Malformed request: %s", n, qUtf8Printable(r.error()));
//
// Readers made from a member or an array element (child(), element()) share
// the error of the reader they came from. The error texts are fixed because
// other components log them and tests look for them:
//   "json document parse error: <parser message> (code=<n>, pos=<offset>)"
//   "json document is not an object", "json document is an empty object"
//   "json object: missing key: '<key>'"
//   "json object: key '<key>': value is not a number" (also "a string",
//     "a json object", "a json array", "a bool", "an integer")
//   "json array: value <index> is not a string" (also "a number",
//     "a json object", "an integer")
class JsonReader
{
public:
    enum Presence { Required, Optional };
    enum Emptiness { AllowEmpty, NonEmpty };

    // A reader over an object that is already parsed.
    explicit JsonReader(const QJsonObject &object = QJsonObject());

    // Parses text that must hold a JSON object (an empty object only with
    // AllowEmpty). On failure the reader starts with the error.
    static JsonReader fromText(const QByteArray &text, Emptiness emptiness = AllowEmpty);
    // The same check for a value that should be an object (a reply's "data").
    static JsonReader fromValue(const QJsonValue &value, Emptiness emptiness = AllowEmpty);

    bool ok() const { return m_state->error.isEmpty(); }
    QString error() const { return m_state->error; }
    // ok(), handing the error to `error` when there is one (the end of a
    // transfer object's fromJson()).
    bool finish(QString &error) const
    {
        if (!ok())
            error = m_state->error;
        return ok();
    }
    // Records a caller's own problem (a value out of range, an unknown name);
    // ignored when an error is already kept.
    void fail(const QString &message);

    const QJsonObject &object() const { return m_object; }
    bool contains(const QString &key) const { return m_object.contains(key); }

    // Members. A missing optional member reads as the empty value; a member
    // of the wrong type is an error even when it is optional. JSON null
    // counts as missing.
    QString toString(const QString &key, Presence presence = Required);
    double toDouble(const QString &key, Presence presence = Required);
    int toInt(const QString &key, Presence presence = Required);
    qint64 toInt64(const QString &key, Presence presence = Required);
    bool toBool(const QString &key, Presence presence = Required);
    QJsonObject toObject(const QString &key, Presence presence = Required);
    QJsonArray toArray(const QString &key, Presence presence = Required);
    // An array whose every element must be a string / a 32-bit integer.
    QStringList toStringList(const QString &key, Presence presence = Required);
    QList<int> toIntList(const QString &key, Presence presence = Required);

    // A reader over a member object (sharing this reader's error).
    JsonReader child(const QString &key, Presence presence = Required);
    // A reader over element `index` of an array, which must be an object.
    JsonReader element(const QJsonArray &array, int index);

    // The compact JSON text of a value, for messages and logs.
    static QString compact(const QJsonValue &value);

private:
    struct State
    {
        QString error;
    };
    JsonReader(const QJsonObject &object, std::shared_ptr<State> state);

    // The member, or an undefined value when absent/null (then an error when
    // required).
    QJsonValue member(const QString &key, Presence presence);
    void wrongType(const QString &key, const char *what);
    // member(), or undefined (with the error "value is not <what>") when the
    // value is not of the type that `is` tests.
    QJsonValue typed(const QString &key, Presence presence, bool (QJsonValue::*is)() const, const char *what);

    QJsonObject m_object;
    std::shared_ptr<State> m_state;
};
