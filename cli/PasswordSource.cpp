#include "PasswordSource.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace PasswordSource {

namespace {
QString chomp(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}
} // namespace

Outcome obtain(const QString &passwordFile, bool interactive, const QString &prompt)
{
    if (qEnvironmentVariableIsSet("KORVEX_PASSWORD"))
        return {qEnvironmentVariable("KORVEX_PASSWORD"), QString()};
    if (!passwordFile.isEmpty())
        return readFile(passwordFile);
    if (!interactive)
        return {std::nullopt, QStringLiteral("no password given (set KORVEX_PASSWORD or use --password-file)")};
    return promptWithoutEcho(prompt);
}

Outcome readFile(const QString &path)
{
    // Opened once, without following a link, and judged by what was opened:
    // a check by name and a later open by name could be given two files.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT)
            return {std::nullopt, QStringLiteral("password file '%1' does not exist").arg(path)};
        if (error == ELOOP)
            return {std::nullopt, QStringLiteral("password file '%1' is a symbolic link").arg(path)};
        return {std::nullopt,
                QStringLiteral("cannot read password file '%1': %2").arg(path, QString::fromLocal8Bit(::strerror(error)))};
    }
    struct stat st {};
    QString problem;
    if (::fstat(fd, &st) != 0)
        problem = QStringLiteral("cannot read password file '%1'").arg(path);
    else if (!S_ISREG(st.st_mode))
        problem = QStringLiteral("password file '%1' is not a regular file").arg(path);
    else if (st.st_uid != ::geteuid())
        problem = QStringLiteral("password file '%1' belongs to another user").arg(path);
    else if (st.st_mode & (S_IRWXG | S_IRWXO))
        problem = QStringLiteral("password file '%1' is readable by others; chmod 600 it").arg(path);
    if (!problem.isEmpty()) {
        ::close(fd);
        return {std::nullopt, problem};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {std::nullopt, QStringLiteral("cannot read password file '%1': %2").arg(path, file.errorString())};
    }
    // One line is all we want; a huge file is not a password file.
    const QByteArray line = file.readLine(4096);
    const QString password = chomp(line);
    if (password.isEmpty())
        return {std::nullopt, QStringLiteral("password file '%1' is empty").arg(path)};
    return {password, QString()};
}

namespace {
// The terminal's settings while the prompt has echo off, for the signal
// handler: an interrupted prompt must not leave the user typing blind.
int s_ttyFd = -1;
termios s_ttySaved {};
const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
struct sigaction s_previous[4];

void restoreTerminalAndRaise(int signal)
{
    if (s_ttyFd >= 0)
        ::tcsetattr(s_ttyFd, TCSAFLUSH, &s_ttySaved);
    for (int i = 0; i < 4; ++i)
        ::sigaction(kSignals[i], &s_previous[i], nullptr);
    ::raise(signal); // ends the process as the signal would have
}
} // namespace

Outcome promptWithoutEcho(const QString &prompt)
{
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {std::nullopt,
                QStringLiteral("no terminal to ask for the password (set KORVEX_PASSWORD or use --password-file)")};
    const QByteArray p = prompt.toUtf8();
    (void)!::write(fd, p.constData(), size_t(p.size()));
    termios saved {};
    const bool isTty = ::tcgetattr(fd, &saved) == 0;
    if (isTty) {
        s_ttySaved = saved;
        s_ttyFd = fd;
        struct sigaction action {};
        action.sa_handler = restoreTerminalAndRaise;
        sigemptyset(&action.sa_mask);
        for (int i = 0; i < 4; ++i)
            ::sigaction(kSignals[i], &action, &s_previous[i]);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ICANON;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    QByteArray line;
    char c = 0;
    while (::read(fd, &c, 1) == 1 && c != '\n' && line.size() < 4096)
        line.append(c);
    if (isTty) {
        ::tcsetattr(fd, TCSAFLUSH, &saved);
        for (int i = 0; i < 4; ++i)
            ::sigaction(kSignals[i], &s_previous[i], nullptr);
        s_ttyFd = -1;
    }
    (void)!::write(fd, "\n", 1);
    ::close(fd);
    const QString password = chomp(line);
    if (password.isEmpty())
        return {std::nullopt, QStringLiteral("no password entered")};
    return {password, QString()};
}

std::optional<QString> readLine()
{
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    return chomp(QByteArray::fromStdString(line));
}

} // namespace PasswordSource
