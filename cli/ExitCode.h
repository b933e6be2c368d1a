#pragma once

#include "net/ErrorCode.h"

#include <QString>

// korvexcmd's exit statuses; exitStatusHelp() is the --help text for them.
enum ExitCode {
    ExitOk = 0,
    ExitFailed = 1,        // the service refused: credentials, account state, TAN, access, quota
    ExitUsage = 2,         // bad command line
    ExitUnreachable = 3,   // network, TLS, time-out, unexpected replies
    ExitNeedsInput = 4,    // input needed but --non-interactive or no terminal
    ExitLocal = 5,         // local problem: key store, database, files
    ExitNotFound = 6,      // no such file safe, file, folder, sync setting or password entry
    ExitSyncFailed = 7,    // a sync finished, but some actions or settings failed
    ExitSyncStopped = 8,   // a sync stopped: deletion refused, quota, session lost, interrupted
};

inline QString exitStatusHelp()
{
    return QStringLiteral(
        "Exit status:\n"
        "  0  success\n"
        "  1  the service refused: wrong user name or password, TAN, account state,\n"
        "     no access, quota exceeded, a name already taken\n"
        "  2  bad command line\n"
        "  3  the server could not be reached or answered unexpectedly (network, TLS)\n"
        "  4  input is needed but --non-interactive was given or there is no terminal,\n"
        "     or no account is remembered (run 'korvexcmd login --remember')\n"
        "  5  a local problem (key store, database, files)\n"
        "  6  no such file safe, file, folder, sync setting or password entry\n"
        "  7  sync: finished, but some actions or settings failed (see their lines)\n"
        "  8  sync: stopped before the end: mass deletion refused, quota exceeded,\n"
        "     session lost, or interrupted (SIGINT/SIGTERM)\n");
}

// The exit status for an error code of a service operation.
inline ExitCode exitCodeFor(ErrorCode code)
{
    switch (code) {
    case ERR_NONE:
        return ExitOk;
    case ERR_LOGIN_FAILED:
    case ERR_ACCOUNT_EXPIRED:
    case ERR_ACCOUNT_INHERITED:
    case ERR_ACCOUNT_LOCKED:
    case ERR_CLIENT_NOT_SUPPORTED:
    case ERR_CLIENT_OUTDATED:
    case ERR_STATUS_10907:
    case ERR_SERVER_STATUS:
        return ExitFailed;
    case ERR_STATUS_10904:
    case ERR_STATUS_10910:
    case ERR_STATUS_10911:
        return ExitNotFound;
    case ERR_INTERNAL:
    case ERR_LOCAL_FILE_OPEN:
    case ERR_DOWNLOAD_FILE:
        return ExitLocal;
    default:
        return ExitUnreachable;
    }
}
