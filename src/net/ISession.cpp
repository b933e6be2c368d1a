#include "net/ISession.h"

#include "net/JsonReader.h"

bool fromJson(const QJsonValue &data, Nothing &out, QString &error)
{
    Q_UNUSED(data)
    Q_UNUSED(out)
    Q_UNUSED(error)
    return true;
}

bool fromJson(const QJsonValue &data, qint64 &out, QString &error)
{
    QJsonObject wrapper;
    wrapper.insert(QStringLiteral("data"), data);
    JsonReader reader(wrapper);
    out = reader.toInt64(QStringLiteral("data"));
    error = reader.error();
    return reader.ok();
}

ISession::ISession(QObject *parent)
    : QObject(parent)
{
    registerErrorCodeMetaType();
}

ISession::~ISession() = default;

void ISession::sendRaw(Request *request, QObject *context, Callback<QByteArray> callback)
{
    if (!request)
        return;
    request->setRawReply(true);
    const QPointer<QObject> guard(context ? context : this);
    auto deliver = [guard, callback](const Result<QByteArray> &result) {
        if (!guard || !callback)
            return;
        callback(result);
    };
    QObject::connect(request, &Request::success, request,
                     [request, deliver] { deliver(Result<QByteArray>::success(request->rawBody())); });
    QObject::connect(request, &Request::error, request,
                     [deliver](ErrorCode code, const QString &message) { deliver(Result<QByteArray>(code, message)); });
    request->send(this);
}
