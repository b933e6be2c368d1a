#pragma once

#include "net/AccountIdentity.h"
#include "net/ErrorCode.h"
#include "net/Request.h"
#include "net/Result.h"

#include <QByteArray>
#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QString>

#include <memory>

class QNetworkAccessManager;

// How a reply's "data" becomes a transfer object. Every type used with
// ISession::send<T> provides
//     bool fromJson(const QJsonValue &data, T &out, QString &error);
// declared beside the type (found by argument-dependent lookup). It returns
// false with the JSON reader's error text when the data does not fit; data
// is undefined when the reply had no "data" member.
bool fromJson(const QJsonValue &data, Nothing &out, QString &error);
bool fromJson(const QJsonValue &data, qint64 &out, QString &error);

// The connection context every request is sent through: the selected
// server's base URL, the network access manager, the TLS configuration, the
// XSRF token and session key, and the bookkeeping of succeeded and failed
// requests. Remote interfaces (GenericRI and its subclasses) only see this
// interface, so tests can hand them a session of their own.
//
// Signals reach every request in flight: abort() ends each with
// ERR_ABORTED, pause() stops their time-out timers while the user is asked
// something, resume() restarts them.
class ISession : public QObject
{
    Q_OBJECT
public:
    explicit ISession(QObject *parent = nullptr);
    ~ISession() override;

    // The selected server's URL ("https://host:port"); empty without a server.
    virtual QString baseUrl() const = 0;
    virtual QNetworkAccessManager *networkAccessManager() = 0;
    virtual QSslConfiguration sslConfiguration() const = 0;
    // A process-wide running number, incremented first.
    virtual int nextRequestNumber() = 0;
    virtual void setXsrfToken(const QByteArray &token) = 0;
    virtual QByteArray xsrfToken() const = 0;
    virtual QByteArray sessionKey() const = 0;
    // The 32-byte key of the login handshake; an empty array clears it.
    virtual void setSessionKey(const QByteArray &key) = 0;
    // The selected server's identifier (its prefix); empty without a server.
    virtual QString serverId() const = 0;
    virtual void setAccount(const AccountIdentity &account) = 0;
    virtual AccountIdentity account() const = 0;
    // Called by every request when it ends (Request does this itself).
    virtual void requestSuccessful() = 0;
    virtual void requestFailed(ErrorCode code) = 0;
    virtual void setIgnoreSslErrors(bool ignore) = 0;
    virtual bool ignoreSslErrors() const = 0;
    // The generation of the service's paths: 1 selects the "/rest/..." paths,
    // every other value the "/api/sync/1/..." paths.
    virtual int apiVersion() const = 0;

    // Sends the request; the callback receives exactly one Result<T>: the
    // reply's "data" read with fromJson() on success, or the request's error.
    // A request that cannot even be built (no server selected, a bad URL)
    // fails at once: the callback then runs before send() returns.
    template<typename T>
    void send(Request *request, Callback<T> callback)
    {
        sendImpl<T>(request, nullptr, std::move(callback));
    }
    // The same, but the callback is skipped when `context` was destroyed
    // meanwhile (a remote interface that went away with requests in flight).
    template<typename T>
    void send(Request *request, QObject *context, Callback<T> callback)
    {
        sendImpl<T>(request, context ? context : this, std::move(callback));
    }
    // For replies that are not JSON (the XSRF token): the body as it came.
    // A JSON reply is still read as envelope, so service errors arrive as
    // errors.
    void sendRaw(Request *request, QObject *context, Callback<QByteArray> callback);

signals:
    void abort();
    void pause();
    void resume();

private:
    template<typename T>
    void sendImpl(Request *request, QObject *context, Callback<T> callback);
};

template<typename T>
void ISession::sendImpl(Request *request, QObject *context, Callback<T> callback)
{
    if (!request)
        return;
    auto value = std::make_shared<T>();
    request->setDataParser([value](const QJsonValue &data) -> QString {
        QString problem;
        if (fromJson(data, *value, problem))
            return QString();
        return problem.isEmpty() ? QStringLiteral("unreadable data") : problem;
    });
    const QPointer<QObject> guard(context);
    const bool guarded = context != nullptr;
    auto deliver = [guard, guarded, callback](const Result<T> &result) {
        if ((guarded && !guard) || !callback)
            return;
        callback(result);
    };
    QObject::connect(request, &Request::success, request,
                     [value, deliver] { deliver(Result<T>::success(std::move(*value))); });
    QObject::connect(request, &Request::error, request,
                     [deliver](ErrorCode code, const QString &message) { deliver(Result<T>(code, message)); });
    request->send(this);
}
