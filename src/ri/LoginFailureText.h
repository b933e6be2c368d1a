#pragma once

#include "net/ErrorCode.h"

#include <QString>

// What the login page tells the user about a failed login. The texts are
// rich text with ${...} placeholders that the branding layer expands.
namespace LoginFailureText {

// `afterPasswordSubmit`: the failure answers a user-name/password submission
// (ERR_LOGIN_FAILED then means "Invalid username or password").
// `statusSuffix`: the link to the service's status page, or empty.
QString forCode(ErrorCode code, const QString &message, bool afterPasswordSubmit,
                const QString &statusSuffix = QString());

// The same text for a terminal: links become "text: address", HTML
// entities and tags are dropped, runs of blanks collapse.
QString toPlainText(const QString &richText);

} // namespace LoginFailureText
