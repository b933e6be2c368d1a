#include "PasswordsCommand.h"

#include "CliClient.h"
#include "CliOutput.h"
#include "ExitCode.h"
#include "PasswordSource.h"

#include "net/OndoSession.h"
#include "passwords/PasswordGenerator.h"
#include "passwords/PasswordStrength.h"
#include "passwords/PasswordTransport.h"
#include "passwords/SecretWipe.h"
#include "ri/PasswordRI.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {
const char kEntryPasswordVariable[] = "KORVEX_ENTRY_PASSWORD";
constexpr int kMaxLength = 128;

const QStringList &fields()
{
    static const QStringList names{QStringLiteral("password"), QStringLiteral("username"), QStringLiteral("url"),
                                   QStringLiteral("comment")};
    return names;
}
} // namespace

PasswordsCommand::PasswordsCommand(const CommandContext &context, QObject *parent)
    : RemoteCommand(context, parent)
{
}

PasswordsCommand::~PasswordsCommand()
{
    if (m_newPassword)
        SecretWipe::wipe(*m_newPassword);
}

QList<QCommandLineOption> PasswordsCommand::options()
{
    return {
        QCommandLineOption(QStringLiteral("json"), QStringLiteral("passwords list, breached: print JSON.")),
        QCommandLineOption(QStringLiteral("field"),
                           QStringLiteral("passwords get: the field to print: password (default), username, "
                                          "url or comment."),
                           QStringLiteral("name"), QStringLiteral("password")),
        QCommandLineOption(QStringLiteral("title"), QStringLiteral("passwords add, edit: the entry's title."),
                           QStringLiteral("text")),
        QCommandLineOption(QStringLiteral("username"), QStringLiteral("passwords add, edit: the entry's user name."),
                           QStringLiteral("text")),
        QCommandLineOption(QStringLiteral("url"), QStringLiteral("passwords add, edit: the entry's web address."),
                           QStringLiteral("address")),
        QCommandLineOption(QStringLiteral("comment"), QStringLiteral("passwords add, edit: the entry's comment."),
                           QStringLiteral("text")),
        QCommandLineOption(QStringLiteral("generate"),
                           QStringLiteral("passwords add, edit: give the entry a new generated password.")),
        QCommandLineOption(QStringLiteral("ask-password"),
                           QStringLiteral("passwords edit: prompt for the entry's new password.")),
        QCommandLineOption(QStringLiteral("length"),
                           QStringLiteral("passwords add, edit, generate: length of a generated password "
                                          "(1 to 128, default 12)."),
                           QStringLiteral("n"), QStringLiteral("12")),
        QCommandLineOption(QStringLiteral("memorizable"),
                           QStringLiteral("passwords generate: a pronounceable password of 12 characters.")),
        QCommandLineOption(QStringLiteral("no-special"),
                           QStringLiteral("passwords generate: no special characters.")),
        QCommandLineOption(QStringLiteral("no-digits"), QStringLiteral("passwords generate: no digits.")),
    };
}

QString PasswordsCommand::help()
{
    return QStringLiteral(
        "  passwords list [--json]        The entries of the password safe: id, title,\n"
        "                                 user name, web address (never a password).\n"
        "  passwords get ID [--field password|username|url|comment]\n"
        "                                 Print that one field (default the password)\n"
        "                                 and nothing else on standard output:\n"
        "                                 PW=$(korvexcmd passwords get 12).\n"
        "  passwords add --title T [--username U] [--url URL] [--comment C] [--generate]\n"
        "                                 Add an entry and print its id. Its password\n"
        "                                 comes from --generate [--length N], the\n"
        "                                 environment variable KORVEX_ENTRY_PASSWORD,\n"
        "                                 or a prompt without echo.\n"
        "  passwords edit ID [--title T] [--username U] [--url URL] [--comment C]\n"
        "                                 Change an entry. The password changes with\n"
        "                                 --generate, KORVEX_ENTRY_PASSWORD or\n"
        "                                 --ask-password, else it stays.\n"
        "  passwords rm ID                Delete an entry.\n"
        "  passwords breached [--json]    The entries whose password is on the\n"
        "                                 service's list of breached passwords.\n"
        "  passwords generate [--length N] [--memorizable] [--no-special] [--no-digits]\n"
        "                                 Print a new password, its strength on\n"
        "                                 standard error (no login needed).\n");
}

bool PasswordsCommand::checkArguments()
{
    const QStringList args = context().arguments;
    const QString verb = args.value(0);
    static const QMap<QString, Action> actions{{QStringLiteral("list"), Action::List},
                                               {QStringLiteral("get"), Action::Get},
                                               {QStringLiteral("add"), Action::Add},
                                               {QStringLiteral("edit"), Action::Edit},
                                               {QStringLiteral("rm"), Action::Remove},
                                               {QStringLiteral("breached"), Action::Breached},
                                               {QStringLiteral("generate"), Action::Generate}};
    if (!actions.contains(verb)) {
        usage(verb.isEmpty() ? QStringLiteral("expected list, get, add, edit, rm, breached or generate")
                             : QStringLiteral("unknown action '%1'").arg(verb));
        return false;
    }
    m_action = actions.value(verb);
    const bool needsId = m_action == Action::Get || m_action == Action::Edit || m_action == Action::Remove;
    const int expected = needsId ? 2 : 1;
    if (args.size() != expected) {
        usage(needsId ? QStringLiteral("%1 takes one entry id").arg(verb)
                      : QStringLiteral("%1 takes no arguments").arg(verb));
        return false;
    }
    m_id = needsId ? args.at(1) : QString();
    m_field = context().value(QStringLiteral("field")).toLower();
    if (!fields().contains(m_field)) {
        usage(QStringLiteral("unknown --field '%1' (password, username, url or comment)").arg(m_field));
        return false;
    }
    bool lengthOk = false;
    m_length = context().value(QStringLiteral("length")).toInt(&lengthOk);
    if (!lengthOk || m_length < 1 || m_length > kMaxLength) {
        usage(QStringLiteral("--length must be a number from 1 to %1").arg(kMaxLength));
        return false;
    }
    if (m_action == Action::Add && context().value(QStringLiteral("title")).trimmed().isEmpty()) {
        usage(QStringLiteral("add needs a --title"));
        return false;
    }

    if (m_action == Action::Generate) {
        // Needs no service: done here, before any login.
        std::optional<QString> password = generated();
        if (!password)
            return false;
        CliOutput::secret(*password);
        CliOutput::say(QStringLiteral("Strength: %1").arg(PasswordStrength::levelText(PasswordStrength::score(*password))));
        SecretWipe::wipe(*password);
        finish(ExitOk);
        return false;
    }
    if (m_action == Action::Add || m_action == Action::Edit)
        return readNewPassword(m_action == Action::Add);
    return true;
}

std::optional<QString> PasswordsCommand::generated()
{
    PasswordGenerator generator;
    const std::optional<QString> password =
        context().isSet(QStringLiteral("memorizable"))
            ? generator.memorizable()
            : generator.random(m_length, true, !context().isSet(QStringLiteral("no-special")),
                               !context().isSet(QStringLiteral("no-digits")));
    if (!password) {
        CliOutput::say(QStringLiteral("korvexcmd passwords: the system's random generator failed."));
        finish(ExitLocal);
    }
    return password;
}

bool PasswordsCommand::readNewPassword(bool required)
{
    if (context().isSet(QStringLiteral("generate"))) {
        m_newPassword = generated();
        if (!m_newPassword)
            return false;
        CliOutput::say(QStringLiteral("Generated a password of strength \"%1\".")
                           .arg(PasswordStrength::levelText(PasswordStrength::score(*m_newPassword))));
        return true;
    }
    if (qEnvironmentVariableIsSet(kEntryPasswordVariable)) {
        m_newPassword = qEnvironmentVariable(kEntryPasswordVariable);
        return true;
    }
    if (!required && !context().isSet(QStringLiteral("ask-password")))
        return true; // the entry keeps its password
    if (!context().interactive) {
        CliOutput::say(QStringLiteral("korvexcmd passwords: no password: set %1, use --generate, or drop "
                                      "--non-interactive to be asked.")
                           .arg(QLatin1String(kEntryPasswordVariable)));
        finish(ExitNeedsInput);
        return false;
    }
    PasswordSource::Outcome typed = PasswordSource::promptWithoutEcho(QStringLiteral("Password of the entry: "));
    if (!typed.password) {
        CliOutput::say(QStringLiteral("korvexcmd passwords: %1").arg(typed.error));
        finish(ExitNeedsInput);
        return false;
    }
    m_newPassword = std::move(typed.password);
    return true;
}

void PasswordsCommand::run()
{
    m_api = new PasswordRI(client()->session(), this);
    switch (m_action) {
    case Action::List:
    case Action::Breached:
        m_api->getPasswords([this](const Result<EmptyPasswordsTO> &result) {
            if (!result.isOk())
                fail(result.code, result.message);
            else if (m_action == Action::List)
                list(result.value);
            else
                checkNextForBreach(result.value, 0);
        });
        break;
    case Action::Get:
        withEntry([this](const EmptyPasswordTO &entry) { get(entry); });
        break;
    case Action::Add:
        add();
        break;
    case Action::Edit:
        withEntry([this](const EmptyPasswordTO &entry) { edit(entry); });
        break;
    case Action::Remove:
        withEntry([this](const EmptyPasswordTO &entry) { remove(entry); });
        break;
    case Action::Generate:
        break; // done in checkArguments()
    }
}

void PasswordsCommand::fail(ErrorCode code, const QString &message)
{
    CliOutput::say(QStringLiteral("korvexcmd passwords: %1").arg(message));
    finish(exitCodeFor(code));
}

void PasswordsCommand::withEntry(const std::function<void(const EmptyPasswordTO &)> &next)
{
    m_api->getPasswords([this, next](const Result<EmptyPasswordsTO> &result) {
        if (!result.isOk()) {
            fail(result.code, result.message);
            return;
        }
        for (const EmptyPasswordTO &entry : result.value.passwords) {
            if (entry.id == m_id) {
                next(entry);
                return;
            }
        }
        CliOutput::say(QStringLiteral("korvexcmd passwords: no entry with the id '%1'.").arg(m_id));
        finish(ExitNotFound);
    });
}

void PasswordsCommand::printEntries(const QList<EmptyPasswordTO> &entries)
{
    if (context().isSet(QStringLiteral("json"))) {
        QJsonArray array;
        for (const EmptyPasswordTO &e : entries)
            array.append(QJsonObject{{QStringLiteral("id"), e.id},
                                     {QStringLiteral("title"), e.title},
                                     {QStringLiteral("username"), e.username},
                                     {QStringLiteral("url"), e.url}});
        CliOutput::json(array);
        return;
    }
    QList<QStringList> rows;
    for (const EmptyPasswordTO &e : entries)
        rows << QStringList{e.id, e.title, e.username, e.url};
    CliOutput::table({QStringLiteral("ID"), QStringLiteral("TITLE"), QStringLiteral("USERNAME"), QStringLiteral("URL")},
                     rows);
}

void PasswordsCommand::list(const EmptyPasswordsTO &all)
{
    printEntries(all.passwords);
    CliOutput::say(QStringLiteral("%1 of at most %2 entries.").arg(all.passwords.size()).arg(all.passwordsMax));
    finish(ExitOk);
}

void PasswordsCommand::fetchPassword(const QString &id, const std::function<void(QString &clear)> &next)
{
    m_api->getPassword(id, [this, next](const Result<SinglePasswordTO> &result) {
        if (!result.isOk()) {
            fail(result.code, result.message);
            return;
        }
        std::optional<QString> clear = PasswordTransport::decrypt(client()->session()->sessionKey(), result.value);
        if (!clear) {
            fail(ERR_BAD_RESPONSE, QStringLiteral("the password of entry %1 does not decrypt with this session's key.")
                                       .arg(result.value.id));
            return;
        }
        next(*clear);
        SecretWipe::wipe(*clear);
    });
}

void PasswordsCommand::get(const EmptyPasswordTO &entry)
{
    if (m_field == QLatin1String("password")) {
        fetchPassword(entry.id, [this](QString &clear) {
            CliOutput::secret(clear);
            finish(ExitOk);
        });
        return;
    }
    const QString value = m_field == QLatin1String("username") ? entry.username
                          : m_field == QLatin1String("url")    ? entry.url
                                                               : entry.comment;
    CliOutput::secret(value);
    finish(ExitOk);
}

void PasswordsCommand::send(const PasswordRecord &record, bool create)
{
    auto done = [this, create](const Result<EmptyPasswordTO> &result) {
        if (!result.isOk()) {
            fail(result.code, result.message);
            return;
        }
        if (create)
            CliOutput::line(result.value.id);
        CliOutput::say(QStringLiteral("%1 entry %2 \"%3\".")
                           .arg(create ? QStringLiteral("Added") : QStringLiteral("Changed"), result.value.id,
                                result.value.title));
        finish(ExitOk);
    };
    if (create)
        m_api->createPassword(record, done);
    else
        m_api->updatePassword(record, done);
}

void PasswordsCommand::add()
{
    PasswordRecord record;
    record.title = context().value(QStringLiteral("title")).trimmed();
    record.username = context().value(QStringLiteral("username"));
    record.url = context().value(QStringLiteral("url")).trimmed();
    record.comment = context().value(QStringLiteral("comment"));
    if (!PasswordTransport::encrypt(client()->session()->sessionKey(), record, std::move(*m_newPassword))) {
        fail(ERR_INTERNAL, QStringLiteral("unable to encrypt the password."));
        return;
    }
    m_newPassword.reset();
    send(record, true);
}

void PasswordsCommand::edit(const EmptyPasswordTO &entry)
{
    PasswordRecord record = PasswordRecord::from(entry);
    const std::pair<const char *, QString *> changes[] = {
        {"title", &record.title}, {"username", &record.username}, {"url", &record.url}, {"comment", &record.comment}};
    for (const auto &change : changes) {
        if (context().isSet(QLatin1String(change.first)))
            *change.second = context().value(QLatin1String(change.first));
    }
    record.title = record.title.trimmed();
    if (record.title.isEmpty()) {
        usage(QStringLiteral("the title must not be empty"));
        return;
    }
    auto encryptAndSend = [this, record](QString &clear) mutable {
        if (!PasswordTransport::encrypt(client()->session()->sessionKey(), record, std::move(clear))) {
            fail(ERR_INTERNAL, QStringLiteral("unable to encrypt the password."));
            return;
        }
        send(record, false);
    };
    if (m_newPassword) {
        encryptAndSend(*m_newPassword);
        m_newPassword.reset();
        return;
    }
    // The request carries the password: the kept one is sent again.
    fetchPassword(entry.id, encryptAndSend);
}

void PasswordsCommand::remove(const EmptyPasswordTO &entry)
{
    m_api->deletePassword(entry.id, [this, entry](const EmptyResult &result) {
        if (!result.isOk()) {
            fail(result.code, result.message);
            return;
        }
        CliOutput::say(QStringLiteral("Deleted entry %1 \"%2\".").arg(entry.id, entry.title));
        finish(ExitOk);
    });
}

void PasswordsCommand::checkNextForBreach(const EmptyPasswordsTO &all, int index)
{
    // One check answers for every entry with the same password: those are skipped.
    while (index < all.passwords.size() && m_breached.contains(all.passwords.at(index).id))
        ++index;
    if (index >= all.passwords.size()) {
        QList<EmptyPasswordTO> found;
        for (const EmptyPasswordTO &entry : all.passwords)
            if (m_breached.contains(entry.id))
                found << entry;
        printEntries(found);
        CliOutput::say(QStringLiteral("%1 of %2 entries use a password from the list of breached passwords.")
                           .arg(found.size())
                           .arg(all.passwords.size()));
        finish(ExitOk);
        return;
    }
    fetchPassword(all.passwords.at(index).id, [this, all, index](QString &clear) {
        PasswordRecord record;
        if (!PasswordTransport::encrypt(client()->session()->sessionKey(), record, std::move(clear))) {
            fail(ERR_INTERNAL, QStringLiteral("unable to encrypt the password."));
            return;
        }
        m_api->checkBreached(record, [this, all, index](const Result<PasswordIdListTO> &result) {
            if (!result.isOk()) {
                fail(result.code, result.message);
                return;
            }
            for (const int id : result.value.ids)
                m_breached.insert(QString::number(id));
            checkNextForBreach(all, index + 1);
        });
    });
}
