#include "ri/LoginViewState.h"

#include "ri/LoginFailureText.h"

#include <QRegularExpression>

namespace {
bool g_autoLoginAllowed = true;

bool matchesWhole(const QString &pattern, const QString &text)
{
    const QRegularExpression re(QRegularExpression::anchoredPattern(pattern));
    return re.match(text).hasMatch();
}
} // namespace

void LoginViewState::setState(UiState state)
{
    if (state != m_state)
        qDebug("LoginView::setUiState: [%d]%s -> [%d]%s", int(m_state), qUtf8Printable(stateName(m_state)), int(state),
               qUtf8Printable(stateName(state)));
    m_state = state;
}

QString LoginViewState::stateName(int state)
{
    static const char *const names[] = {"Initial",
                                        "EnterUsernamePassword_Invalid",
                                        "EnterUsernamePassword_Valid",
                                        "Wait4UsernamePasswordLoginResponse",
                                        "BadUsernamePasswordResponse",
                                        "EnterMtan_Invalid",
                                        "EnterMtan_Valid",
                                        "Wait4MtanResponse",
                                        "BadMtanResponse",
                                        "LoginFailed",
                                        "LoginSuccessful"};
    if (state < 0 || state > LoginSuccessful)
        return QStringLiteral("Undefined");
    return QString::fromLatin1(names[state]);
}

bool LoginViewState::inputsOpen(int state)
{
    return state != Wait4UsernamePasswordLoginResponse && state != Wait4MtanResponse && state != LoginSuccessful;
}

bool LoginViewState::clearsProgress(int state)
{
    return state == EnterUsernamePassword_Valid || state == EnterMtan_Invalid;
}

bool LoginViewState::isValidUsername(const QString &username)
{
    return matchesWhole(QStringLiteral("\\S{%1,%2}").arg(UsernameMin).arg(UsernameMax), username);
}

bool LoginViewState::isValidPassword(const QString &password)
{
    return matchesWhole(QStringLiteral(".{1,%1}").arg(PasswordMax), password);
}

bool LoginViewState::isValidTanCode(const QString &code)
{
    return matchesWhole(QStringLiteral("[A-Za-z0-9]{4,4}"), code);
}

void LoginViewState::credentialsEdited(const QString &username, const QString &password)
{
    if (!inputsOpen())
        return;
    setState(isValidUsername(username) && isValidPassword(password) ? EnterUsernamePassword_Valid
                                                                     : EnterUsernamePassword_Invalid);
}

void LoginViewState::tanCodeEdited(const QString &code)
{
    if (!inputsOpen())
        return;
    setState(isValidTanCode(code) ? EnterMtan_Valid : EnterMtan_Invalid);
}

LoginViewState::Proceed LoginViewState::startOrProceed()
{
    switch (m_state) {
    case EnterUsernamePassword_Valid:
    case LoginFailed:
        setAutoLoginAllowed(false);
        setState(Wait4UsernamePasswordLoginResponse);
        return Proceed::Login;
    case EnterMtan_Valid:
        setState(Wait4MtanResponse);
        return Proceed::SendTan;
    default:
        return Proceed::Nothing;
    }
}

LoginViewState::TanPage LoginViewState::tanRequired(bool userError, TwoFactorMethods &methods, bool telvoBrand)
{
    setState(userError ? BadMtanResponse : EnterMtan_Invalid);
    if (methods.contains(TwoFactorMethod::DoubleSec)) {
        qInfo("Automatically selecting DoubleSec as 2FA");
        setState(Wait4MtanResponse);
        methods.remove(TwoFactorMethod::DoubleSec);
        return TanPage::SelectDoubleSec;
    }
    return telvoBrand ? TanPage::TelvoPage : TanPage::CodePage;
}

QString LoginViewState::loginFailed(ErrorCode code, const QString &message, const QString &statusSuffix)
{
    qWarning("LoginView::on_loginFailed: Error: %d '%s'", int(code), qUtf8Printable(message));
    const QString text = LoginFailureText::forCode(code, message, m_state == Wait4UsernamePasswordLoginResponse,
                                                   statusSuffix);
    setState(LoginFailed);
    return text;
}

QString LoginViewState::charCodes(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QStringList hex;
    for (char c : utf8)
        hex << QStringLiteral("%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    return QStringLiteral("[%1] UTF-8: ").arg(text.size()) + hex.join(QLatin1Char(' '));
}

bool LoginViewState::mayLoginAutomatically(const AutoLoginInput &in)
{
    return in.allowed && in.autoLoginChecked && !in.username.isEmpty() && in.rememberUsername &&
           !in.password.isEmpty() && in.rememberPassword;
}

bool LoginViewState::autoLoginAllowed()
{
    return g_autoLoginAllowed;
}

void LoginViewState::setAutoLoginAllowed(bool allowed)
{
    g_autoLoginAllowed = allowed;
}
