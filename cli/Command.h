#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class BrandingTranslator;
class CliClient;
class LoginCommand;
class QCommandLineParser;

// What a command gets from the command line and the program.
struct CommandContext
{
    CliClient *client = nullptr;
    const BrandingTranslator *branding = nullptr;
    const QCommandLineParser *parser = nullptr;
    QString word;          // the command word ("ls")
    QStringList arguments; // the positional arguments after it
    bool interactive = true;

    bool isSet(const QString &option) const;
    QString value(const QString &option) const;
};

// One run of one korvexcmd command. start() begins it; finished(exit code)
// follows exactly once, possibly before start() returns.
class Command : public QObject
{
    Q_OBJECT
public:
    explicit Command(const CommandContext &context, QObject *parent = nullptr);
    ~Command() override;

    virtual void start() = 0;
    int exitCode() const { return m_exitCode; }
    bool isDone() const { return m_done; }

signals:
    void finished(int exitCode);

protected:
    void finish(int exitCode);
    // A usage problem: the message, a hint at --help, exit 2.
    void usage(const QString &message);
    const CommandContext &context() const { return m_context; }
    CliClient *client() const { return m_context.client; }

private:
    CommandContext m_context;
    int m_exitCode = 0;
    bool m_done = false;
};

// A command that needs the service: it first logs in without asking
// anything, with the account that `login --remember` remembered (or the one
// --user names), and then runs.
class RemoteCommand : public Command
{
    Q_OBJECT
public:
    using Command::Command;
    void start() final;

protected:
    // Checks the arguments before anything goes to the network; returns false
    // after finish() when they are wrong. The default accepts everything.
    virtual bool checkArguments() { return true; }
    // Runs after the login succeeded.
    virtual void run() = 0;
    // Logs in again (a lost server session); `then` runs after success. A
    // failed attempt is retried a minute later.
    void relogin(std::function<void()> then);

private:
    // Logs in with the remembered account; `then` on success, `failed` with
    // the exit status otherwise.
    void logInRemembered(std::function<void()> then, std::function<void(int)> failed);

    LoginCommand *m_login = nullptr;
};
