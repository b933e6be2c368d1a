#pragma once

#include "net/JsonReader.h"
#include "net/OndoSession.h"
#include "support/SrpTestClient.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>
#include <optional>

// Logging an OndoSession in to the reference service with the session's own
// requests, for tests and benchmarks of the network layer (the client's
// real login lives in the login API and is tested there).

// A login step's "data" as it came, for the handshake below.
inline bool fromJson(const QJsonValue &data, QJsonObject &out, QString &error)
{
    JsonReader reader = JsonReader::fromValue(data);
    out = reader.object();
    error = reader.error();
    return reader.ok();
}

// Sends the request and waits for its outcome.
template<typename T>
Result<T> await(ISession &session, Request *request, int timeoutMs = 20000)
{
    auto result = std::make_shared<std::optional<Result<T>>>();
    session.send<T>(request, [result](const Result<T> &r) { *result = r; });
    if (!QTest::qWaitFor([&] { return result->has_value(); }, timeoutMs))
        return Result<T>(ERR_INTERNAL, QStringLiteral("no outcome"));
    return **result;
}

// Logs the session in (an account without second factor) with the session's
// own requests and cookies; the mathematics come from the test support.
// Returns what went wrong, or an empty text.
inline QString logIn(OndoSession &session, const QString &user, const QString &password)
{
    const QString loginPath = QStringLiteral("/api/sync/1/auth/login");
    auto step = [&](const QJsonObject &body) {
        return await<QJsonObject>(session, Request::createPost(loginPath, QJsonDocument(body)));
    };
    auto created = step({{"step", "CREATE_SESSION"}, {"deviceIdentifier", "net-test"}, {"client", "SYNC"}, {"version", "1.1.0"}});
    if (!created.isOk())
        return QStringLiteral("CREATE_SESSION: ") + created.message;
    SrpTestClient srp(user, password);
    auto identified = step({{"step", "IDENTIFY_USER"}, {"username", user.toLower()}, {"a", QString::fromLatin1(srp.hexA())}});
    if (!identified.isOk())
        return QStringLiteral("IDENTIFY_USER: ") + identified.message;
    if (!srp.setServerValues(identified.value.value("salt").toString().toLatin1(),
                             identified.value.value("b").toString().toLatin1()))
        return QStringLiteral("server values");
    auto verified = step({{"step", "VERIFY_M1"}, {"m1", QString::fromLatin1(srp.hexM1())}});
    if (!verified.isOk() || verified.value.value("loginState").toString() != QLatin1String("PRE_AUTHENTICATED"))
        return QStringLiteral("VERIFY_M1: ") + verified.message;
    auto concluded = step({{"step", "CONCLUDE_WITH_KEY"}, {"userKey", QString::fromLatin1(srp.userKeyHex(500))}});
    if (!concluded.isOk() || concluded.value.value("loginState").toString() != QLatin1String("LOGGED_IN"))
        return QStringLiteral("CONCLUDE_WITH_KEY: ") + concluded.message;
    auto token = std::make_shared<std::optional<Result<QByteArray>>>();
    session.sendRaw(Request::createGet(QStringLiteral("/api/sync/1/account/xsrfToken")), nullptr,
                    [token](const Result<QByteArray> &r) { *token = r; });
    if (!QTest::qWaitFor([&] { return token->has_value(); }, 20000) || !(*token)->isOk() || (*token)->value.isEmpty())
        return QStringLiteral("xsrfToken");
    session.setXsrfToken((*token)->value);
    session.setSessionKey(srp.key());
    return QString();
}
