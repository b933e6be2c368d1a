#include "ri/PasswordRI.h"

#include "net/ISession.h"
#include "net/Request.h"

#include <QJsonDocument>
#include <QUrl>

PasswordRI::PasswordRI(ISession *session, QObject *parent)
    : GenericRI(session, parent)
{
    qRegisterMetaType<EmptyPasswordTO>();
    qRegisterMetaType<EmptyPasswordsTO>();
}

PasswordRI::~PasswordRI() = default;

QString PasswordRI::basePath() const
{
    return apiVersion() == 1 ? QStringLiteral("/rest/loggedin/2/passwords") : QStringLiteral("/api/sync/1/passwords");
}

QString PasswordRI::entryPath(const QString &id) const
{
    return basePath() + QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(id));
}

template<typename T>
void PasswordRI::send(Request *request, Callback<T> callback)
{
    if (!session()) {
        delete request;
        if (callback)
            callback(Result<T>(ERR_INTERNAL, QStringLiteral("no session")));
        return;
    }
    // The request layer logs a failure with the service's status and data.
    session()->send<T>(request, this, std::move(callback));
}

void PasswordRI::getPasswords(Callback<EmptyPasswordsTO> callback)
{
    send<EmptyPasswordsTO>(Request::createGet(basePath()), std::move(callback));
}

void PasswordRI::getPassword(const QString &id, Callback<SinglePasswordTO> callback)
{
    send<SinglePasswordTO>(Request::createGet(entryPath(id)), std::move(callback));
}

void PasswordRI::createPassword(const PasswordRecord &record, Callback<EmptyPasswordTO> callback)
{
    send<EmptyPasswordTO>(Request::createPost(basePath(), QJsonDocument(record.toJson())), std::move(callback));
}

void PasswordRI::checkBreached(const PasswordRecord &record, Callback<PasswordIdListTO> callback)
{
    const QJsonObject body{{QStringLiteral("password"), record.encryptedPassword},
                           {QStringLiteral("transportIv"), record.transportIv}};
    send<PasswordIdListTO>(Request::createPost(basePath() + QStringLiteral("/breached"), QJsonDocument(body)),
                           std::move(callback));
}

void PasswordRI::deletePassword(const QString &id, Callback<Nothing> callback)
{
    send<Nothing>(Request::createDelete(entryPath(id)), std::move(callback));
}

void PasswordRI::updatePassword(const PasswordRecord &record, Callback<EmptyPasswordTO> callback)
{
    send<EmptyPasswordTO>(Request::createPut(entryPath(record.id), QJsonDocument(record.toJson())),
                          std::move(callback));
}
