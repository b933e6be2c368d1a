#include "net/ErrorCode.h"

QString errorCodeName(ErrorCode code)
{
    switch (code) {
    case ERR_NONE: return QStringLiteral("ERR_NONE");
    case ERR_INTERNAL: return QStringLiteral("ERR_INTERNAL");
    case ERR_ABORTED: return QStringLiteral("ERR_ABORTED");
    case ERR_INVALID_URL: return QStringLiteral("ERR_INVALID_URL");
    case ERR_NETWORK: return QStringLiteral("ERR_NETWORK");
    case ERR_TIMEOUT: return QStringLiteral("ERR_TIMEOUT");
    case ERR_NO_INTERNET: return QStringLiteral("ERR_NO_INTERNET");
    case ERR_SERVICE_UNAVAILABLE: return QStringLiteral("ERR_SERVICE_UNAVAILABLE");
    case ERR_HTTP_REDIRECT: return QStringLiteral("ERR_HTTP_REDIRECT");
    case ERR_HTTP_STATUS: return QStringLiteral("ERR_HTTP_STATUS");
    case ERR_SERVER_STATUS: return QStringLiteral("ERR_SERVER_STATUS");
    case ERR_HOST_NOT_FOUND: return QStringLiteral("ERR_HOST_NOT_FOUND");
    case ERR_PROXY_AUTH_REQUIRED: return QStringLiteral("ERR_PROXY_AUTH_REQUIRED");
    case ERR_SSL: return QStringLiteral("ERR_SSL");
    case ERR_TIMEOUT_FLOW: return QStringLiteral("ERR_TIMEOUT_FLOW");
    case ERR_CONNECTION_REFUSED: return QStringLiteral("ERR_CONNECTION_REFUSED");
    case ERR_CLIENT_NOT_SUPPORTED: return QStringLiteral("ERR_CLIENT_NOT_SUPPORTED");
    case ERR_CLIENT_OUTDATED: return QStringLiteral("ERR_CLIENT_OUTDATED");
    case ERR_LOGIN_FAILED: return QStringLiteral("ERR_LOGIN_FAILED");
    case ERR_ACCOUNT_EXPIRED: return QStringLiteral("ERR_ACCOUNT_EXPIRED");
    case ERR_ACCOUNT_INHERITED: return QStringLiteral("ERR_ACCOUNT_INHERITED");
    case ERR_ACCOUNT_LOCKED: return QStringLiteral("ERR_ACCOUNT_LOCKED");
    case ERR_STATUS_10907: return QStringLiteral("ERR_STATUS_10907");
    case ERR_STATUS_10910: return QStringLiteral("ERR_STATUS_10910");
    case ERR_STATUS_10911: return QStringLiteral("ERR_STATUS_10911");
    case ERR_EMPTY_RESPONSE: return QStringLiteral("ERR_EMPTY_RESPONSE");
    case ERR_BAD_RESPONSE: return QStringLiteral("ERR_BAD_RESPONSE");
    case ERR_LOCAL_FILE_OPEN: return QStringLiteral("ERR_LOCAL_FILE_OPEN");
    case ERR_STATUS_10904: return QStringLiteral("ERR_STATUS_10904");
    case ERR_DOWNLOAD_FILE: return QStringLiteral("ERR_DOWNLOAD_FILE");
    }
    return QStringLiteral("ERR_UNKNOWN(%1)").arg(int(code));
}

ErrorCode errorCodeForServerStatus(int status)
{
    switch (status) {
    case 200: return ERR_NONE;
    case 10904: return ERR_STATUS_10904;
    case 10907: return ERR_STATUS_10907;
    case 10910: return ERR_STATUS_10910;
    case 10911: return ERR_STATUS_10911;
    default: return ERR_SERVER_STATUS;
    }
}

void registerErrorCodeMetaType()
{
    static const int id = qRegisterMetaType<ErrorCode>("ErrorCode");
    Q_UNUSED(id)
}
