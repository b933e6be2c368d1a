#include "ui/LoginView.h"

#include "app/Settings.h"
#include "drive/CredentialStore.h"
#include "net/ServerList.h"
#include "ri/LoginController.h"
#include "ui/TelvoTwoFactorView.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
enum Page { CredentialsPage = 0, CodePage = 1, TelvoPage = 2 };
}

LoginView::LoginView(const Parts &parts, QWidget *parent)
    : QWidget(parent)
    , m_parts(parts)
    , m_pages(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("loginView"));
    auto *outer = new QVBoxLayout(this);
    outer->addStretch(1);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    auto *card = new QFrame(this);
    card->setObjectName(QStringLiteral("loginCard"));
    card->setMinimumWidth(380);
    auto *cardLayout = new QVBoxLayout(card);
    auto *title = new QLabel(tr("Log in to ${SERVICE_NAME}"), card);
    title->setObjectName(QStringLiteral("titleLabel"));
    cardLayout->addWidget(title);
    cardLayout->addWidget(m_pages);
    row->addWidget(card);
    row->addStretch(1);
    outer->addLayout(row);
    outer->addStretch(2);

    auto *credentials = new QWidget(m_pages);
    buildCredentialsPage(credentials);
    m_pages->addWidget(credentials);
    auto *code = new QWidget(m_pages);
    buildCodePage(code);
    m_pages->addWidget(code);
    m_telvo = new TelvoTwoFactorView(m_pages);
    m_pages->addWidget(m_telvo);

    LoginController *c = m_parts.controller;
    connect(c, &LoginController::loggedIn, this, &LoginView::loggedIn);
    connect(c, &LoginController::tanRequired, this, &LoginView::displayTanChallenge);
    connect(c, &LoginController::loginFailed, this, &LoginView::on_loginFailed);
    connect(c, &LoginController::progress, this, &LoginView::on_loginProgress);
    connect(c, &LoginController::twoFactorMethodsChanged, this, &LoginView::setTwoFactorMethods);
    connect(c, &LoginController::mobileNumberChanged, m_telvo, &TelvoTwoFactorView::setSmsNumber);
    connect(c, &LoginController::smsCodeReferenceChanged, m_telvo, &TelvoTwoFactorView::setSmsReference);
    connect(c, &LoginController::photoTanChanged, m_telvo, &TelvoTwoFactorView::setPhotoTan);
    connect(c, &LoginController::iTanChanged, m_telvo, &TelvoTwoFactorView::setITan);
    connect(c, &LoginController::mobileNumberChanged, this, [this](const QString &number) {
        m_codeInfo->setText(tr("Please enter the code sent to %1:").arg(number.toHtmlEscaped()));
    });
    connect(m_telvo, &TelvoTwoFactorView::requestTanMethod, c, &LoginController::selectTanMethod);
    connect(m_telvo, &TelvoTwoFactorView::sendTan, this, [this](const QString &tan) {
        m_state.setState(LoginViewState::Wait4MtanResponse);
        applyState();
        m_parts.controller->setTanCode(tan);
    });
    connect(m_telvo, &TelvoTwoFactorView::loginAborted, this, &LoginView::on_cancelButton_clicked);
    init();
}

void LoginView::buildCredentialsPage(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    auto *form = new QFormLayout;
    m_username = new QLineEdit(page);
    m_username->setObjectName(QStringLiteral("usernameInput"));
    m_username->setMaxLength(LoginViewState::UsernameMax);
    m_password = new QLineEdit(page);
    m_password->setObjectName(QStringLiteral("passwordInput"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMaxLength(LoginViewState::PasswordMax);
    m_usernameCodes = new QLabel(page);
    m_usernameCodes->setObjectName(QStringLiteral("usernameCodesLabel"));
    m_passwordCodes = new QLabel(page);
    m_passwordCodes->setObjectName(QStringLiteral("passwordCodesLabel"));
    for (QLabel *l : {m_usernameCodes, m_passwordCodes}) {
        l->setTextFormat(Qt::PlainText);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->hide();
    }
    form->addRow(tr("User name:"), m_username);
    form->addRow(QString(), m_usernameCodes);
    form->addRow(tr("Password:"), m_password);
    form->addRow(QString(), m_passwordCodes);
    layout->addLayout(form);

    auto *toggles = new QHBoxLayout;
    m_showPassword = new QCheckBox(tr("Show Password"), page);
    m_showPassword->setObjectName(QStringLiteral("showPasswordCheckBox"));
    m_showCodes = new QCheckBox(tr("Show Character Codes"), page);
    m_showCodes->setObjectName(QStringLiteral("showCharCodesCheckBox"));
    toggles->addWidget(m_showPassword);
    toggles->addWidget(m_showCodes);
    toggles->addStretch(1);
    layout->addLayout(toggles);

    m_extendedToggle = new QToolButton(page);
    m_extendedToggle->setObjectName(QStringLiteral("extendedOptionsButton"));
    m_extendedToggle->setText(tr("Extended login options"));
    m_extendedToggle->setCheckable(true);
    m_extendedToggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_extendedToggle->setArrowType(Qt::RightArrow);
    layout->addWidget(m_extendedToggle);
    m_extended = new QWidget(page);
    auto *options = new QVBoxLayout(m_extended);
    options->setContentsMargins(16, 0, 0, 0);
    m_rememberUsername = new QCheckBox(tr("Remember user name"), m_extended);
    m_rememberUsername->setObjectName(QStringLiteral("rememberUsernameCheckBox"));
    m_rememberPassword = new QCheckBox(tr("Remember password"), m_extended);
    m_rememberPassword->setObjectName(QStringLiteral("rememberPasswordCheckBox"));
    m_autoLogin = new QCheckBox(tr("Log in automatically at start"), m_extended);
    m_autoLogin->setObjectName(QStringLiteral("autoLoginAtStartCheckBox"));
    options->addWidget(m_rememberUsername);
    options->addWidget(m_rememberPassword);
    options->addWidget(m_autoLogin);
    m_extended->hide();
    layout->addWidget(m_extended);

    m_progress = new QLabel(page);
    m_progress->setObjectName(QStringLiteral("progressLabel"));
    m_progress->setWordWrap(true);
    m_progress->setOpenExternalLinks(true);
    m_progress->setTextFormat(Qt::RichText);
    layout->addWidget(m_progress);

    auto *buttons = new QHBoxLayout;
    auto *help = new QPushButton(tr("Help"), page);
    help->setObjectName(QStringLiteral("helpButton"));
    help->setAutoDefault(false);
    auto *signup = new QPushButton(tr("Sign up"), page);
    signup->setObjectName(QStringLiteral("signupButton"));
    signup->setAutoDefault(false);
    m_loginButton = new QPushButton(tr("Log in"), page);
    m_loginButton->setObjectName(QStringLiteral("loginButton"));
    m_loginButton->setDefault(true);
    buttons->addWidget(help);
    buttons->addWidget(signup);
    buttons->addStretch(1);
    buttons->addWidget(m_loginButton);
    layout->addLayout(buttons);

    // Tab goes through the fields first, then the options, then the buttons.
    setTabOrder(m_username, m_password);
    setTabOrder(m_password, m_loginButton);
    setTabOrder(m_loginButton, m_showPassword);
    setTabOrder(m_showPassword, m_showCodes);
    setTabOrder(m_showCodes, m_extendedToggle);
    setTabOrder(m_extendedToggle, m_rememberUsername);
    setTabOrder(m_rememberUsername, m_rememberPassword);
    setTabOrder(m_rememberPassword, m_autoLogin);
    setTabOrder(m_autoLogin, help);
    setTabOrder(help, signup);

    connect(m_username, &QLineEdit::textChanged, this, &LoginView::credentialsEdited);
    connect(m_password, &QLineEdit::textChanged, this, &LoginView::credentialsEdited);
    connect(m_username, &QLineEdit::returnPressed, this, &LoginView::on_loginButton_clicked);
    connect(m_password, &QLineEdit::returnPressed, this, &LoginView::on_loginButton_clicked);
    connect(m_loginButton, &QPushButton::clicked, this, &LoginView::on_loginButton_clicked);
    connect(help, &QPushButton::clicked, this, &LoginView::on_helpButton_clicked);
    connect(signup, &QPushButton::clicked, this, &LoginView::on_signupButton_clicked);
    connect(m_showPassword, &QCheckBox::toggled, this, [this](bool on) {
        m_password->setEchoMode(on ? QLineEdit::Normal : QLineEdit::Password);
    });
    connect(m_showCodes, &QCheckBox::toggled, this, &LoginView::updateCharCodes);
    connect(m_extendedToggle, &QToolButton::toggled, this, &LoginView::on_toggleExtendedLoginOptions);
    connect(m_rememberUsername, &QCheckBox::clicked, this,
            [](bool on) { Settings::setValue(Settings::AccountSaveUsername, on); });
    connect(m_rememberPassword, &QCheckBox::clicked, this, &LoginView::rememberPasswordToggled);
    connect(m_autoLogin, &QCheckBox::clicked, this, [](bool on) { Settings::setValue(Settings::AppAutoLogin, on); });
}

void LoginView::buildCodePage(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    m_codeInfo = new QLabel(tr("Please enter the code sent to your mobile phone:"), page);
    m_codeInfo->setWordWrap(true);
    m_codeInfo->setObjectName(QStringLiteral("codeInfoLabel"));
    m_code = new QLineEdit(page);
    m_code->setObjectName(QStringLiteral("smsCodeInput"));
    m_code->setAccessibleName(tr("Second-factor code"));
    m_code->setMaxLength(4);
    m_codeProgress = new QLabel(page);
    m_codeProgress->setObjectName(QStringLiteral("codeProgressLabel"));
    m_codeProgress->setWordWrap(true);
    m_codeProgress->setTextFormat(Qt::RichText);
    m_codeProgress->setOpenExternalLinks(true);
    m_cancelButton = new QPushButton(tr("Cancel"), page);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAutoDefault(false);
    m_codeButton = new QPushButton(tr("Log in"), page);
    m_codeButton->setObjectName(QStringLiteral("codeLoginButton"));
    m_codeButton->setDefault(true);
    layout->addWidget(m_codeInfo);
    layout->addWidget(m_code);
    layout->addWidget(m_codeProgress);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_codeButton);
    layout->addLayout(buttons);
    setTabOrder(m_code, m_codeButton);
    setTabOrder(m_codeButton, m_cancelButton);
    connect(m_code, &QLineEdit::textChanged, this, &LoginView::tanEdited);
    connect(m_code, &QLineEdit::returnPressed, this, &LoginView::on_loginButton_clicked);
    connect(m_codeButton, &QPushButton::clicked, this, &LoginView::on_loginButton_clicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &LoginView::on_cancelButton_clicked);
}

QString LoginView::progressText() const
{
    return m_pages->currentIndex() == CodePage ? m_codeProgress->text() : m_progress->text();
}

void LoginView::init()
{
    m_pages->setCurrentIndex(CredentialsPage);
    m_code->clear();
    m_telvo->reset();
    m_state.setState(LoginViewState::Initial);
    loadFromSettings();
    credentialsEdited();
    setProgress(QString());
    m_username->setFocus();
}

void LoginView::credentialsEdited()
{
    if (m_state.state() == LoginViewState::Wait4UsernamePasswordLoginResponse)
        return;
    m_state.credentialsEdited(m_username->text(), m_password->text());
    updateCharCodes();
    applyState();
}

void LoginView::tanEdited()
{
    m_state.tanCodeEdited(m_code->text());
    applyState();
}

void LoginView::updateCharCodes()
{
    const bool show = m_showCodes->isChecked();
    m_usernameCodes->setVisible(show);
    m_passwordCodes->setVisible(show);
    if (show) {
        m_usernameCodes->setText(LoginViewState::charCodes(m_username->text()));
        m_passwordCodes->setText(LoginViewState::charCodes(m_password->text()));
    }
}

void LoginView::applyState()
{
    const bool open = m_state.inputsOpen();
    for (QWidget *w : std::initializer_list<QWidget *>{m_username, m_password, m_extended, m_loginButton, m_code,
                                                       m_codeButton})
        w->setEnabled(open);
    if (LoginViewState::clearsProgress(m_state.state()))
        setProgress(QString());
    if (m_state.state() == LoginViewState::BadUsernamePasswordResponse)
        m_password->setFocus();
    else if (m_state.state() == LoginViewState::BadMtanResponse)
        m_code->setFocus();
}

void LoginView::setProgress(const QString &text, bool error)
{
    QLabel *label = m_pages->currentIndex() == CodePage ? m_codeProgress : m_progress;
    label->setProperty("error", error);
    label->setStyleSheet(error ? QStringLiteral("QLabel { color: #b00020; }") : QString());
    label->setText(text);
    if (label != m_progress)
        m_progress->clear();
}

void LoginView::on_loginButton_clicked()
{
    qInfo("LoginView::startOrProceedLogin: _uiState=[%d]%s logins:%d", int(m_state.state()),
          qUtf8Printable(LoginViewState::stateName(m_state.state())), 0);
    switch (m_state.startOrProceed()) {
    case LoginViewState::Proceed::Login:
        if (m_parts.keepPasswordHash && !m_parts.keepPasswordHash(m_password->text()))
            qCritical("Unable to save password hash in memory");
        applyState();
        setProgress(tr("Logging in ..."));
        m_parts.controller->doLogin(m_username->text().toLower(), m_password->text());
        break;
    case LoginViewState::Proceed::SendTan:
        applyState();
        setProgress(tr("Checking the code ..."));
        m_parts.controller->setTanCode(m_code->text());
        break;
    case LoginViewState::Proceed::Nothing:
        break;
    }
}

void LoginView::displayTanChallenge(bool userError)
{
    TwoFactorMethods methods = m_methods;
    switch (m_state.tanRequired(userError, methods, m_parts.telvoBrand)) {
    case LoginViewState::TanPage::SelectDoubleSec:
        m_methods = methods;
        m_parts.controller->selectTanMethod(TwoFactorMethod::DoubleSec);
        break;
    case LoginViewState::TanPage::TelvoPage:
        m_pages->setCurrentIndex(TelvoPage);
        m_telvo->setTwoFactorMethods(m_methods);
        m_telvo->prepareTanForm(userError);
        break;
    case LoginViewState::TanPage::CodePage:
        m_pages->setCurrentIndex(CodePage);
        m_code->clear();
        setProgress(userError ? tr("The code was not accepted. Please enter the new code.") : QString(), userError);
        m_code->setFocus();
        m_parts.controller->selectTanMethod(TwoFactorMethod::Sms);
        break;
    }
    applyState();
    setEnabled(true);
}

QString LoginView::statusSuffix() const
{
    return m_parts.statusLink
               ? QStringLiteral("&nbsp;<a href=\"${URL_STATUS}\" style=\"color: black;\">%1</a>").arg(tr("Check status"))
               : QString();
}

void LoginView::on_loginFailed(ErrorCode code, const QString &message)
{
    const QString text = m_state.loginFailed(code, message, statusSuffix());
    // The links of the failure texts carry the brand's addresses as
    // placeholders; the installed translator fills in every text that passes
    // through it, known or not.
    const QString shown = QCoreApplication::translate("LoginFailureText", text.toUtf8().constData());
    m_pages->setCurrentIndex(CredentialsPage);
    applyState();
    setProgress(shown, true);
    m_password->setFocus();
}

void LoginView::on_loginProgress(ILoginRI::Step step)
{
    qDebug("LoginView::on_loginProgress: step %d", int(step));
}

void LoginView::setTwoFactorMethods(const TwoFactorMethods &methods)
{
    m_methods = methods;
    m_telvo->setTwoFactorMethods(methods);
}

void LoginView::loggedIn()
{
    m_state.loggedIn();
    applyState();
    saveToSettings();
    setProgress(QString());
    m_code->clear();
    m_telvo->reset();
    m_pages->setCurrentIndex(CredentialsPage);
}

void LoginView::on_readyForLogin()
{
    LoginViewState::setAutoLoginAllowed(true);
    setEnabled(true);
    evAutoLogin();
}

void LoginView::evAutoLogin()
{
    LoginViewState::AutoLoginInput in;
    in.allowed = LoginViewState::autoLoginAllowed();
    in.autoLoginChecked = m_autoLogin->isChecked();
    in.username = m_username->text();
    in.rememberUsername = m_rememberUsername->isChecked();
    in.password = m_password->text();
    in.rememberPassword = m_rememberPassword->isChecked();
    if (m_state.state() == LoginViewState::LoginSuccessful || !LoginViewState::mayLoginAutomatically(in)) {
        if (m_state.state() != LoginViewState::LoginSuccessful)
            setProgress(QString());
        qInfo("LoginView::evAutoLogin: Do not login automatically");
        return;
    }
    setProgress(tr("Login automatically"));
    qInfo("LoginView::evAutoLogin: Try to login automatically");
    credentialsEdited();
    on_loginButton_clicked();
}

void LoginView::loadFromSettings()
{
    m_rememberUsername->setChecked(Settings::value(Settings::AccountSaveUsername).toBool());
    const QString saved = Settings::value(Settings::AccountSavedUsername).toString();
    if (m_rememberUsername->isChecked() && !saved.isEmpty())
        m_username->setText(saved);
    m_rememberPassword->setChecked(Settings::value(Settings::AccountSavePassword).toBool());
    m_password->clear();
    if (m_rememberPassword->isChecked()) {
        if (m_rememberUsername->isChecked() && !m_username->text().isEmpty() && m_parts.credentials) {
            try {
                m_password->setText(
                    m_parts.credentials->readPassword(m_parts.servers->selected().prefix, m_username->text()));
            } catch (const std::exception &e) {
                setProgress(tr("Unable to restore saved password: %1").arg(QString::fromUtf8(e.what()).toHtmlEscaped()),
                            true);
            }
        }
    } else {
        qInfo("LoginView::loadFromSettings: rememberPassword is off");
    }
    qInfo("LoginView::loadFromSettings: rememberUsername: %s", m_rememberUsername->isChecked() ? "on" : "off");
    m_autoLogin->setChecked(Settings::value(Settings::AppAutoLogin).toBool());
}

void LoginView::saveToSettings()
{
    const QString user = m_username->text().toLower();
    if (!Settings::value(Settings::AccountSaveUsername).toBool()) {
        Settings::setValue(Settings::AccountSavedUsername, QString());
        return;
    }
    if (user.isEmpty())
        return;
    Settings::setValue(Settings::AccountSavedUsername, user);
    if (!m_parts.credentials)
        return;
    const QString server = m_parts.servers->selected().prefix;
    try {
        if (Settings::value(Settings::AccountSavePassword).toBool())
            m_parts.credentials->storePassword(server, user, m_password->text());
        else
            m_parts.credentials->clearPassword(server, user);
    } catch (const std::exception &e) {
        qWarning("LoginView::saveToSettings: Failed to store password %s.", e.what());
    }
}

void LoginView::rememberPasswordToggled(bool on)
{
    Settings::setValue(Settings::AccountSavePassword, on);
    if (on || !m_parts.credentials || m_username->text().isEmpty())
        return;
    try {
        m_parts.credentials->clearPassword(m_parts.servers->selected().prefix, m_username->text().toLower());
    } catch (const std::exception &e) {
        qWarning("LoginView::on_rememberPasswordCheckBox_toggled: Failed to clear password %s.", e.what());
    }
}

void LoginView::on_toggleExtendedLoginOptions(bool show)
{
    qDebug("LoginView::on_toggleExtendedOptions: show: %s", show ? "true" : "false");
    m_extended->setVisible(show);
    m_extendedToggle->setArrowType(show ? Qt::DownArrow : Qt::RightArrow);
}

void LoginView::on_cancelButton_clicked()
{
    m_code->clear();
    m_telvo->reset();
    m_pages->setCurrentIndex(CredentialsPage);
    m_state.setState(LoginViewState::Initial);
    credentialsEdited();
    setProgress(QString());
}

void LoginView::on_helpButton_clicked()
{
    const QString url = tr("${URL_HELP}");
    qInfo("Opening help: %s", qUtf8Printable(url));
    QDesktopServices::openUrl(QUrl(url));
}

void LoginView::on_signupButton_clicked()
{
    QDesktopServices::openUrl(QUrl(tr("${URL_SUBSCRIPTION}")));
}
