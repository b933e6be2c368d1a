#pragma once

#include "ri/LoginTypes.h"

#include <QJsonValue>
#include <QString>

// The replies of the login endpoint and of the logout, read from a reply's
// "data" with the JSON readers (missing mandatory keys and wrong types fail
// with the readers' texts).

struct IdentifyUserTO
{
    QString loginState;
    QString salt; // hex
    QString b;    // hex, the server's public value B
};
bool fromJson(const QJsonValue &data, IdentifyUserTO &out, QString &error);

struct VerifyM1TO
{
    QString loginState;
    QString m2;
    TwoFactorMethods methods;
    QString mobileNumber;
};
bool fromJson(const QJsonValue &data, VerifyM1TO &out, QString &error);

struct TanMethodResponseTO
{
    QString loginState;
    QString code;
};
bool fromJson(const QJsonValue &data, TanMethodResponseTO &out, QString &error);

struct ConcludeWithKeyTO
{
    QString loginState;
};
bool fromJson(const QJsonValue &data, ConcludeWithKeyTO &out, QString &error);

struct LogoutTO_v1
{
    bool success = false;
    QString message;
};
bool fromJson(const QJsonValue &data, LogoutTO_v1 &out, QString &error);

Q_DECLARE_METATYPE(LogoutTO_v1)
