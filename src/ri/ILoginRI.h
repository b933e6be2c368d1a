#pragma once

#include "net/Result.h"
#include "ri/LoginTO.h"

#include <QMetaType>
#include <QString>

// The login API as its one client, the login controller, sees it.
class ILoginRI
{
public:
    // Progress of one login attempt (the numbers reach logs and views).
    enum Step {
        SessionCreated = 0,
        Identify = 1,
        Verify = 2,
        ConcludeWithoutTan = 8,
        ConcludeWithTan = 10,
        ConcludeWithTanInitDoubleSec = 11,
        ConcludeWithDoubleSec = 12,
        M1Computed = 14,
        ErrorK = 21,
        ErrorM1 = 22,
        ErrorA = 23,
        ErrorUserKey = 24,
        TanRejected = 26,
        DoubleSecRejected = 27,
    };

    virtual ~ILoginRI() = default;
    virtual void doLogin(const QString &username, const QString &password, Callback<Nothing> continuation) = 0;
    virtual void logout(Callback<LogoutTO_v1> continuation) = 0;
};

Q_DECLARE_METATYPE(ILoginRI::Step)
