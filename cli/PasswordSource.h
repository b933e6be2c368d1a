#pragma once

#include <QString>

#include <optional>

// Where korvexcmd gets secrets from, without ever echoing them.
namespace PasswordSource {

struct Outcome
{
    std::optional<QString> password;
    QString error; // why there is no password
};

// The password from, in this order: the environment variable
// KORVEX_PASSWORD, `passwordFile` (its first line; the file must not be
// readable by others), or a prompt on the terminal without echo (unless
// `interactive` is false).
Outcome obtain(const QString &passwordFile, bool interactive, const QString &prompt);

// One line from the file (the line end removed).
Outcome readFile(const QString &path);

// Reads one line from the controlling terminal with echo switched off.
Outcome promptWithoutEcho(const QString &prompt);

// One line from standard input; empty optional at end of input.
std::optional<QString> readLine();

} // namespace PasswordSource
