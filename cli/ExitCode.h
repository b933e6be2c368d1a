#pragma once

#include "net/ErrorCode.h"

// korvexcmd's exit statuses (documented in --help).
enum ExitCode {
    ExitOk = 0,
    ExitFailed = 1,        // the service refused: credentials, account state, TAN
    ExitUsage = 2,         // bad command line
    ExitUnreachable = 3,   // network, TLS, time-out, unexpected replies
    ExitNeedsInput = 4,    // input needed but --non-interactive or no terminal
    ExitLocal = 5,         // local problem: key store, database, files
};

// The exit status for a failed login's error code.
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
        return ExitFailed;
    case ERR_INTERNAL:
        return ExitLocal;
    default:
        return ExitUnreachable;
    }
}
