#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMetaType>
#include <QString>

// The password safe's replies, read from a reply's "data" with the JSON
// readers: every key is mandatory, and a reply that lacks one fails whole.

// One entry without its secret.
struct EmptyPasswordTO
{
    QString id;
    QString title;
    QString username;
    QString url;
    QString comment;
};
bool fromJson(const QJsonValue &data, EmptyPasswordTO &out, QString &error);

// The list of entries and the account's maximum number of them.
struct EmptyPasswordsTO
{
    int passwordsMax = 0;
    QList<EmptyPasswordTO> passwords;
};
bool fromJson(const QJsonValue &data, EmptyPasswordsTO &out, QString &error);

// One entry's secret, encrypted under the session key.
struct SinglePasswordTO
{
    QString id;
    QString password;     // ciphertext, lower-case hex
    QByteArray transportIv; // 16 bytes
};
bool fromJson(const QJsonValue &data, SinglePasswordTO &out, QString &error);

// Entry ids (the answer of the breached check).
struct PasswordIdListTO
{
    QList<int> ids;
};
bool fromJson(const QJsonValue &data, PasswordIdListTO &out, QString &error);

// What create and change send: the entry's texts and its secret encrypted
// for transport. The clear text never lives here.
struct PasswordRecord
{
    QString id;
    QString title;
    QString username;
    QString url;
    QString comment;
    QString encryptedPassword; // lower-case hex of the ciphertext
    QString transportIv;       // lower-case hex of the 16-byte IV

    static PasswordRecord from(const EmptyPasswordTO &entry);
    // The request body of create and change (the id travels in the path).
    QJsonObject toJson() const;
};

Q_DECLARE_METATYPE(EmptyPasswordTO)
Q_DECLARE_METATYPE(EmptyPasswordsTO)
