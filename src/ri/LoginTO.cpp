#include "ri/LoginTO.h"

#include "net/JsonReader.h"

bool fromJson(const QJsonValue &data, IdentifyUserTO &out, QString &error)
{
    JsonReader r = JsonReader::fromValue(data);
    out.loginState = r.toString(QStringLiteral("loginState"));
    out.salt = r.toString(QStringLiteral("salt"));
    out.b = r.toString(QStringLiteral("b"));
    return r.finish(error);
}

bool fromJson(const QJsonValue &data, VerifyM1TO &out, QString &error)
{
    JsonReader r = JsonReader::fromValue(data);
    out.loginState = r.toString(QStringLiteral("loginState"));
    out.m2 = r.toString(QStringLiteral("m2"));
    const QStringList names = r.toStringList(QStringLiteral("supported2faMethods"), JsonReader::Optional);
    JsonReader thirdParty = r.child(QStringLiteral("thirdParty"), JsonReader::Optional);
    out.mobileNumber = thirdParty.toString(QStringLiteral("MTAN_mobilePhoneNumber"), JsonReader::Optional);
    if (!r.ok())
        return r.finish(error);

    out.methods.clear();
    for (const QString &name : names) {
        const TwoFactorMethod method = twoFactorMethodFromName(name);
        if (method == TwoFactorMethod::None) {
            qWarning("Ignoring unknown 2FA method: '%s'", qUtf8Printable(name));
            continue;
        }
        TwoFactorMethodState state = TwoFactorMethodState::Active;
        QString stateText = QStringLiteral("default_active");
        if (!thirdParty.object().isEmpty()) {
            stateText = thirdParty.toString(twoFactorMethodName(method) + QStringLiteral("_status"),
                                            JsonReader::Optional);
            state = twoFactorStateFromName(stateText);
        }
        qInfo("Available 2FA method: '%s' (state '%s')", qUtf8Printable(twoFactorMethodName(method)),
              qUtf8Printable(stateText));
        out.methods.insert(method, state);
    }
    return r.finish(error);
}

bool fromJson(const QJsonValue &data, TanMethodResponseTO &out, QString &error)
{
    JsonReader r = JsonReader::fromValue(data);
    out.loginState = r.toString(QStringLiteral("loginState"));
    out.code = r.toString(QStringLiteral("code"), JsonReader::Optional);
    return r.finish(error);
}

bool fromJson(const QJsonValue &data, ConcludeWithKeyTO &out, QString &error)
{
    JsonReader r = JsonReader::fromValue(data);
    out.loginState = r.toString(QStringLiteral("loginState"));
    return r.finish(error);
}

bool fromJson(const QJsonValue &data, LogoutTO_v1 &out, QString &error)
{
    JsonReader r = JsonReader::fromValue(data);
    out.success = r.toBool(QStringLiteral("success"));
    out.message = r.toString(QStringLiteral("message"), JsonReader::Optional);
    return r.finish(error);
}
