#pragma once

#include "net/Result.h"
#include "ri/PasswordTO.h"

// The password safe's remote interface as its one client, the password
// controller, sees it. Records reach it with their secret already encrypted
// for transport.
class IPasswordRI
{
public:
    virtual ~IPasswordRI() = default;
    virtual void getPasswords(Callback<EmptyPasswordsTO> callback) = 0;
    virtual void getPassword(const QString &id, Callback<SinglePasswordTO> callback) = 0;
    virtual void createPassword(const PasswordRecord &record, Callback<EmptyPasswordTO> callback) = 0;
    virtual void checkBreached(const PasswordRecord &record, Callback<PasswordIdListTO> callback) = 0;
    virtual void deletePassword(const QString &id, Callback<Nothing> callback) = 0;
    virtual void updatePassword(const PasswordRecord &record, Callback<EmptyPasswordTO> callback) = 0;
};
