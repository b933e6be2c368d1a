#pragma once

#include "net/GenericRI.h"
#include "ri/IPasswordRI.h"

class Request;

// The password safe of the logged-in account on the service: list, fetch,
// create, change and delete entries, and the breached check.
class PasswordRI : public GenericRI, public IPasswordRI
{
    Q_OBJECT
public:
    explicit PasswordRI(ISession *session, QObject *parent = nullptr);
    ~PasswordRI() override;

    void getPasswords(Callback<EmptyPasswordsTO> callback) override;
    void getPassword(const QString &id, Callback<SinglePasswordTO> callback) override;
    void createPassword(const PasswordRecord &record, Callback<EmptyPasswordTO> callback) override;
    void checkBreached(const PasswordRecord &record, Callback<PasswordIdListTO> callback) override;
    void deletePassword(const QString &id, Callback<Nothing> callback) override;
    void updatePassword(const PasswordRecord &record, Callback<EmptyPasswordTO> callback) override;

    // "/rest/loggedin/2/passwords" for API generation 1, else "/api/sync/1/passwords".
    QString basePath() const;

private:
    // base + "/" + id; the id is percent-encoded so that it names one entry
    // whatever it holds.
    QString entryPath(const QString &id) const;
    template<typename T>
    void send(Request *request, Callback<T> callback);
};
