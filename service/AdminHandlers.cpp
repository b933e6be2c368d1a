#include "AdminHandlers.h"

#include "AuthHandlers.h"
#include "JsonWriter.h"
#include "ServiceData.h"
#include "ServiceServer.h"
#include "TwoFactor.h"
#include "WireFormat.h"

#include <QJsonValue>
#include <QString>

AdminHandlers::AdminHandlers(ServiceServer &server) : m_server(server)
{
    using S = ServiceServer;
    auto bind = [this](void (AdminHandlers::*method)(Call &)) {
        return [this, method](Call &c) { (this->*method)(c); };
    };
    server.route("POST", "/admin/faults", S::Auth::Admin, S::Body::Json, bind(&AdminHandlers::addFault));
    server.route("DELETE", "/admin/faults", S::Auth::Admin, S::Body::None, bind(&AdminHandlers::clearFaults));
    server.route("GET", "/admin/faults", S::Auth::Admin, S::Body::None, bind(&AdminHandlers::listFaults));
    server.route("POST", "/admin/sessions/expire", S::Auth::Admin, S::Body::Json, bind(&AdminHandlers::expireSessions));
    server.route("POST", "/admin/quota", S::Auth::Admin, S::Body::Json, bind(&AdminHandlers::setQuota));
    server.route("POST", "/admin/settings", S::Auth::Admin, S::Body::Json, bind(&AdminHandlers::settings));
    server.route("GET", "/admin/outbox", S::Auth::Admin, S::Body::None, bind(&AdminHandlers::outbox));
    server.route("GET", "/admin/trash", S::Auth::Admin, S::Body::None, bind(&AdminHandlers::trash));
}

void AdminHandlers::addFault(Call &call)
{
    FaultInjection::Fault fault;
    const auto kind = FaultInjection::kindFromName(jsonString(call.json, "kind").value_or(""));
    if (!kind) {
        call.fail(ServiceStatus::BadRequest, "\"kind\" must be delay, stall, cut, status, empty, nonjson, rewrite or header");
        return;
    }
    fault.kind = *kind;
    fault.method = jsonString(call.json, "method").value_or("");
    fault.pathPrefix = jsonString(call.json, "path").value_or("");
    fault.ms = call.json.value(QLatin1String("ms")).toInt(0);
    fault.status = call.json.value(QLatin1String("status")).toInt(500);
    fault.after = static_cast<std::int64_t>(call.json.value(QLatin1String("after")).toDouble(-1));
    fault.remaining = call.json.value(QLatin1String("count")).toInt(1);
    fault.from = jsonString(call.json, "from").value_or("");
    fault.to = jsonString(call.json, "to").value_or("");
    fault.header = jsonString(call.json, "header").value_or("");
    fault.value = jsonString(call.json, "value").value_or("");
    const bool badStatus = fault.kind == FaultInjection::Kind::Status && (fault.status < 100 || fault.status > 599);
    if (badStatus || fault.ms < 0) {
        call.fail(ServiceStatus::BadRequest, "\"status\" must be an HTTP status and \"ms\" not negative");
        return;
    }
    const int id = m_server.faults().add(fault);
    JsonWriter w;
    w.beginObject().member("id", id).endObject();
    call.ok(w.text());
}

void AdminHandlers::clearFaults(Call &call)
{
    m_server.faults().clear();
    call.ok("{}");
}

void AdminHandlers::listFaults(Call &call)
{
    JsonWriter w;
    w.beginObject().key("faults").beginArray();
    for (const auto &f : m_server.faults().active()) {
        w.beginObject()
            .member("id", f.id)
            .member("kind", FaultInjection::kindName(f.kind))
            .member("method", f.method)
            .member("path", f.pathPrefix)
            .member("remaining", f.remaining)
            .endObject();
    }
    w.endArray().endObject();
    call.ok(w.text());
}

void AdminHandlers::expireSessions(Call &call)
{
    std::int64_t userId = 0;
    if (const auto name = jsonString(call.json, "user")) {
        const auto user = m_server.data().accounts().findUser(QString::fromStdString(*name).toLower().toStdString());
        if (!user) {
            call.fail(ServiceStatus::NotFound, "no such user");
            return;
        }
        userId = user->id;
    }
    const int ended = m_server.sessions().expire(userId);
    JsonWriter w;
    w.beginObject().member("expired", ended).endObject();
    call.ok(w.text());
}

void AdminHandlers::setQuota(Call &call)
{
    const auto safeId = WireFormat::parseId(jsonString(call.json, "safe_id").value_or(""));
    const double quota = call.json.value(QLatin1String("quota")).toDouble(-1);
    if (!safeId || quota < 0) {
        call.fail(ServiceStatus::BadRequest, "needs \"safe_id\" (text) and \"quota\" (bytes)");
        return;
    }
    if (!m_server.data().safes().setQuota(*safeId, static_cast<std::int64_t>(quota))) {
        call.fail(ServiceStatus::ObjectNotFound, "no such safe");
        return;
    }
    call.ok("{}");
}

void AdminHandlers::settings(Call &call)
{
    const QJsonValue idle = call.json.value(QLatin1String("sessionIdleSeconds"));
    if (idle.isDouble()) {
        if (idle.toInt() < 1) {
            call.fail(ServiceStatus::BadRequest, "\"sessionIdleSeconds\" must be positive");
            return;
        }
        m_server.sessions().setIdleSeconds(idle.toInt());
    }
    JsonWriter w;
    w.beginObject().member("sessionIdleSeconds", m_server.sessions().idleSeconds()).endObject();
    call.ok(w.text());
}

void AdminHandlers::outbox(Call &call)
{
    const std::string user = QString::fromStdString(call.query("user")).toLower().toStdString();
    const auto message = TwoFactor::latest(m_server.data(), user);
    if (!message) {
        call.fail(ServiceStatus::NotFound, "no out-of-band message for that user");
        return;
    }
    call.ok(*message);
}

void AdminHandlers::trash(Call &call)
{
    const auto safeId = WireFormat::parseId(call.query("safe_id"));
    if (!safeId) {
        call.fail(ServiceStatus::BadRequest, "needs the query \"safe_id\"");
        return;
    }
    JsonWriter w;
    w.beginObject().key("trash").beginArray();
    for (const auto &o : m_server.data().safes().trashOf(*safeId)) {
        w.beginObject()
            .member("object_id", std::to_string(o.id))
            .member("safe_id", std::to_string(o.safeId))
            .member("path", o.path)
            .member("type", o.type)
            .member("size", o.size)
            .endObject();
    }
    w.endArray().endObject();
    call.ok(w.text());
}
