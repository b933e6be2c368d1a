#pragma once

#include <QMetaType>
#include <QString>

// The client-wide error codes. Every server operation ends in one of them
// (0 is success); the numbers are stable because they reach logs and
// messages, so gaps stay gaps.
enum ErrorCode : int {
    ERR_NONE = 0,
    ERR_INTERNAL = 1,
    ERR_ABORTED = 2,
    ERR_INVALID_URL = 3,
    ERR_NETWORK = 4,
    ERR_TIMEOUT = 5,
    ERR_NO_INTERNET = 6,
    ERR_SERVICE_UNAVAILABLE = 7,
    ERR_HTTP_REDIRECT = 8,
    ERR_HTTP_STATUS = 9,
    ERR_SERVER_STATUS = 10,
    ERR_HOST_NOT_FOUND = 11,
    ERR_PROXY_AUTH_REQUIRED = 12,
    ERR_SSL = 13,
    ERR_TIMEOUT_FLOW = 14,
    ERR_CONNECTION_REFUSED = 15,
    ERR_CLIENT_NOT_SUPPORTED = 16,
    ERR_CLIENT_OUTDATED = 17,
    ERR_LOGIN_FAILED = 18,
    ERR_ACCOUNT_EXPIRED = 19,
    ERR_ACCOUNT_INHERITED = 20,
    ERR_ACCOUNT_LOCKED = 21,
    ERR_STATUS_10907 = 22,
    ERR_STATUS_10910 = 23,
    ERR_STATUS_10911 = 24,
    ERR_EMPTY_RESPONSE = 25,
    ERR_BAD_RESPONSE = 26,
    ERR_LOCAL_FILE_OPEN = 27,
    ERR_STATUS_10904 = 28,
    ERR_DOWNLOAD_FILE = 30,
};
Q_DECLARE_METATYPE(ErrorCode)

// The enumerator's name ("ERR_TIMEOUT"), or "ERR_UNKNOWN(%1)" for a value
// outside the enumeration; logs show codes by name.
QString errorCodeName(ErrorCode code);

// The code a service envelope's "status" maps to: 200 is success, a few
// statuses have codes of their own, every other status is ERR_SERVER_STATUS.
ErrorCode errorCodeForServerStatus(int status);

// Registers ErrorCode with the meta-type system (queued signals, QSignalSpy).
// Safe to call more than once.
void registerErrorCodeMetaType();
