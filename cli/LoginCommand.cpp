#include "LoginCommand.h"

#include "CliClient.h"
#include "CliOutput.h"
#include "ExitCode.h"
#include "PasswordSource.h"

#include "app/BrandingTranslator.h"
#include "app/Settings.h"
#include "drive/CredentialStore.h"
#include "net/OndoSession.h"
#include "net/ServerList.h"
#include "ri/LoginController.h"
#include "ri/LoginFailureText.h"

#include <QFile>
#include <QRegularExpression>

#include <cstdio>

namespace {
void say(const QString &text)
{
    CliOutput::say(text);
}
} // namespace

LoginCommand::LoginCommand(CliClient *client, const BrandingTranslator *branding, const Options &options,
                           QObject *parent)
    : QObject(parent)
    , m_client(client)
    , m_branding(branding)
    , m_options(options)
{
    LoginController *controller = client->loginController();
    connect(controller, &LoginController::tanRequired, this, &LoginCommand::onTanRequired);
    connect(controller, &LoginController::twoFactorMethodsChanged, this,
            [this](const TwoFactorMethods &methods) { m_methods = methods; });
    connect(controller, &LoginController::mobileNumberChanged, this,
            [this](const QString &number) { m_mobileNumber = number; });
    connect(controller, &LoginController::smsCodeReferenceChanged, this, [this](const QString &reference) {
        onChallenge(m_mobileNumber.isEmpty()
                        ? QStringLiteral("A TAN was sent to your mobile phone (reference %1).").arg(reference)
                        : QStringLiteral("A TAN was sent to %1 (reference %2).").arg(m_mobileNumber, reference));
    });
    connect(controller, &LoginController::photoTanChanged, this, [this](const QString &image) {
        const QString path = m_options.photoTanFile;
        QFile file(path);
        if (image.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(QByteArray::fromBase64(image.toLatin1())) < 0) {
            onChallenge(QStringLiteral("Unable to display photoTAN"));
            return;
        }
        file.close();
        onChallenge(QStringLiteral("Scan the photoTAN graphic in %1 with your photoTAN app.").arg(path));
    });
    connect(controller, &LoginController::iTanChanged, this, [this](const QString &challenge) {
        onChallenge(QStringLiteral("Enter the TAN with the number %1.").arg(challenge.right(3)));
    });
    connect(controller, &LoginController::loggedIn, this, &LoginCommand::onLoggedIn);
    connect(controller, &LoginController::loginFailed, this, &LoginCommand::onLoginFailed);
}

void LoginCommand::start()
{
    m_client->loginController()->doLogin(m_options.user, m_options.password);
}

void LoginCommand::onTanRequired(bool userError)
{
    if (userError)
        say(QStringLiteral("The TAN was not accepted. Please try again."));
    // The server asks again after a rejected TAN: a new challenge is needed
    // for every method but the device-bound one.
    if (m_methods.contains(TwoFactorMethod::DoubleSec) && !userError) {
        qInfo("Automatically selecting DoubleSec as 2FA");
        m_methods.remove(TwoFactorMethod::DoubleSec);
        m_tanSent = true;
        m_client->loginController()->selectTanMethod(TwoFactorMethod::DoubleSec);
        return;
    }
    if (!m_options.interactive) {
        say(QStringLiteral("The server asks for a second factor, but --non-interactive forbids asking for it."));
        finish(ExitNeedsInput);
        return;
    }
    m_client->loginController()->selectTanMethod(m_options.tanMethod);
}

void LoginCommand::onChallenge(const QString &what)
{
    say(what);
    askForTan();
}

void LoginCommand::askForTan()
{
    fprintf(stderr, "TAN: ");
    fflush(stderr);
    const std::optional<QString> line = PasswordSource::readLine();
    if (!line) {
        say(QStringLiteral("\nNo TAN given (end of input)."));
        finish(ExitNeedsInput);
        return;
    }
    static const QRegularExpression rule(QStringLiteral("^[A-Za-z0-9]{4,4}$"));
    const QString tan = line->trimmed();
    if (!rule.match(tan).hasMatch()) {
        say(QStringLiteral("A TAN is exactly 4 letters or digits."));
        askForTan();
        return;
    }
    m_tanSent = true;
    m_client->loginController()->setTanCode(tan);
}

void LoginCommand::onLoggedIn()
{
    OndoSession *session = m_client->session();
    const QString user = session->account().name;
    if (!m_options.quiet)
        say(QStringLiteral("Logged in to %1 (%2) as %3.")
                .arg(m_client->servers()->selected().name, session->baseUrl(), user));
    if (m_options.remember) {
        try {
            m_client->credentials()->storePassword(session->serverId(), user, m_options.password);
            Settings::setValue(Settings::AccountSaveUsername, true);
            Settings::setValue(Settings::AccountSavedUsername, user);
            Settings::setValue(Settings::AccountSavePassword, true);
            say(QStringLiteral("The password is remembered in the key store."));
        } catch (const std::exception &e) {
            say(QStringLiteral("Logged in, but the password could not be remembered: %1").arg(QString::fromUtf8(e.what())));
            finish(ExitLocal);
            return;
        }
    }
    finish(ExitOk);
}

void LoginCommand::onLoginFailed(ErrorCode code, const QString &message)
{
    qWarning("LoginCommand: login failed: %d '%s'", int(code), qUtf8Printable(message));
    // A login failure right after the password went out means the password.
    const bool afterPassword = !m_tanSent;
    const QString text =
        LoginFailureText::toPlainText(m_branding->expand(LoginFailureText::forCode(code, message, afterPassword)));
    say(QStringLiteral("Login failed: %1").arg(text));
    if (code != ERR_LOGIN_FAILED && !message.isEmpty())
        say(QStringLiteral("(%1: %2)").arg(errorCodeName(code), message));
    finish(exitCodeFor(code));
}

void LoginCommand::finish(int exitCode)
{
    if (m_done)
        return;
    m_done = true;
    emit finished(exitCode);
}
