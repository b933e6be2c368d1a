#include "PasswordSource.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
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
    const QFileInfo info(path);
    if (!info.exists())
        return {std::nullopt, QStringLiteral("password file '%1' does not exist").arg(path)};
    if (!info.isFile())
        return {std::nullopt, QStringLiteral("password file '%1' is not a regular file").arg(path)};
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && (st.st_mode & (S_IRWXG | S_IRWXO)))
        return {std::nullopt, QStringLiteral("password file '%1' is readable by others; chmod 600 it").arg(path)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("cannot read password file '%1': %2").arg(path, file.errorString())};
    // One line is all we want; a huge file is not a password file.
    const QByteArray line = file.readLine(4096);
    const QString password = chomp(line);
    if (password.isEmpty())
        return {std::nullopt, QStringLiteral("password file '%1' is empty").arg(path)};
    return {password, QString()};
}

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
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ICANON;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    QByteArray line;
    char c = 0;
    while (::read(fd, &c, 1) == 1 && c != '\n' && line.size() < 4096)
        line.append(c);
    if (isTty)
        ::tcsetattr(fd, TCSAFLUSH, &saved);
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
