#include "ri/LoginTypes.h"

#include <QVector>

namespace {
struct StateName
{
    Login::State state;
    const char *name;
};
const StateName kStates[] = {
    {Login::INVALID, "INVALID"},
    {Login::INITIAL, "INITIAL"},
    {Login::IDENTIFIED, "IDENTIFIED"},
    {Login::PRE_AUTHENTICATED, "PRE_AUTHENTICATED"},
    {Login::PRE_AUTHENTICATED_SMS, "PRE_AUTHENTICATED_SMS"},
    {Login::PRE_AUTHENTICATED_2FA, "PRE_AUTHENTICATED_2FA"},
    {Login::PRE_AUTHENTICATED_SELECT_2FA_METHOD, "PRE_AUTHENTICATED_SELECT_2FA_METHOD"},
    {Login::LOGGED_IN, "LOGGED_IN"},
    {Login::EXPIRED, "EXPIRED"},
    {Login::INHERITANCE_EXECUTED, "INHERITANCE_EXECUTED"},
    {Login::LOCKED, "LOCKED"},
};

const std::pair<TwoFactorMethod, const char *> kMethods[] = {
    {TwoFactorMethod::Mtan, "MTAN"},   {TwoFactorMethod::PhotoTan, "PHOTOTAN"},
    {TwoFactorMethod::ITan, "ITAN"},   {TwoFactorMethod::Sms, "SMS"},
    {TwoFactorMethod::DoubleSec, "doubleSec"},
};

const std::pair<TwoFactorMethodState, const char *> kMethodStates[] = {
    {TwoFactorMethodState::Active, "active"},
    {TwoFactorMethodState::Inactive, "inactive"},
    {TwoFactorMethodState::Initial, "initial"},
    {TwoFactorMethodState::PermanentlyLocked, "permanently.locked"},
    {TwoFactorMethodState::TemporarilyLocked, "temporarily.locked"},
    {TwoFactorMethodState::Unknown, "unknown"},
};
} // namespace

Login::State Login::stateFromText(const QString &text)
{
    if (text.isEmpty())
        return INVALID;
    const QString upper = text.toUpper();
    for (const StateName &s : kStates)
        if (upper == QLatin1String(s.name))
            return s.state;
    return UnknownState;
}

QString twoFactorMethodName(TwoFactorMethod method)
{
    for (const auto &m : kMethods)
        if (m.first == method)
            return QString::fromLatin1(m.second);
    return QString();
}

TwoFactorMethod twoFactorMethodFromName(const QString &name)
{
    for (const auto &m : kMethods)
        if (name.compare(QLatin1String(m.second), Qt::CaseInsensitive) == 0)
            return m.first;
    return TwoFactorMethod::None;
}

QString twoFactorStateName(TwoFactorMethodState state)
{
    for (const auto &s : kMethodStates)
        if (s.first == state)
            return QString::fromLatin1(s.second);
    return QStringLiteral("unknown");
}

TwoFactorMethodState twoFactorStateFromName(const QString &name)
{
    for (const auto &s : kMethodStates)
        if (name == QLatin1String(s.second))
            return s.first;
    return TwoFactorMethodState::Unknown;
}
