#pragma once

#include <QMap>
#include <QMetaType>
#include <QString>

// The vocabulary of the login handshake and its second factors.
namespace Login {

// The server's "loginState".
enum State {
    UnknownState = -1, // a text that names none of the states below
    INVALID = 0,
    INITIAL = 1,
    IDENTIFIED = 2,
    PRE_AUTHENTICATED = 3,
    PRE_AUTHENTICATED_SMS = 4,
    PRE_AUTHENTICATED_2FA = 5,
    PRE_AUTHENTICATED_SELECT_2FA_METHOD = 6,
    LOGGED_IN = 7,
    EXPIRED = 8,
    INHERITANCE_EXECUTED = 9,
    LOCKED = 10,
};
// Upper-cased and looked up by name; "" is INVALID, anything else unknown -1.
State stateFromText(const QString &text);

} // namespace Login

enum class TwoFactorMethod { None = 0, Mtan = 1, PhotoTan = 2, ITan = 3, Sms = 4, DoubleSec = 5 };
enum class TwoFactorMethodState { Active = 0, Inactive = 1, Initial = 2, PermanentlyLocked = 3, TemporarilyLocked = 4,
                                  Unknown = 5 };
using TwoFactorMethods = QMap<TwoFactorMethod, TwoFactorMethodState>;

// Wire names: "MTAN", "PHOTOTAN", "ITAN", "SMS", "doubleSec"; matched without
// regard to case, unknown names give None.
QString twoFactorMethodName(TwoFactorMethod method);
TwoFactorMethod twoFactorMethodFromName(const QString &name);
// "active", "inactive", "initial", "permanently.locked", "temporarily.locked",
// "unknown"; unknown texts give Unknown.
QString twoFactorStateName(TwoFactorMethodState state);
TwoFactorMethodState twoFactorStateFromName(const QString &name);

Q_DECLARE_METATYPE(TwoFactorMethod)
Q_DECLARE_METATYPE(TwoFactorMethodState)
Q_DECLARE_METATYPE(TwoFactorMethods)
