#pragma once

#include "net/ErrorCode.h"
#include "ri/LoginTypes.h"

#include <QObject>
#include <QString>

class BrandingTranslator;
class CliClient;

// `korvexcmd login`: one login against the selected server, answering a
// second factor the way the desktop client's login page does (doubleSec when
// this device has it, otherwise the SMS method or the one asked for), the
// TAN read as a line from standard input.
class LoginCommand : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString user;
        QString password;
        bool interactive = true;
        bool remember = false;
        TwoFactorMethod tanMethod = TwoFactorMethod::Sms;
        QString photoTanFile; // where a photoTAN image is written
        bool quiet = false;   // no "Logged in" line (a login before another command)
    };

    // `branding` puts the brand's names and addresses into the messages.
    LoginCommand(CliClient *client, const BrandingTranslator *branding, const Options &options,
                 QObject *parent = nullptr);
    void start();

signals:
    void finished(int exitCode);

private:
    void onTanRequired(bool userError);
    void onChallenge(const QString &what);
    void onLoggedIn();
    void onLoginFailed(ErrorCode code, const QString &message);
    void askForTan();
    void finish(int exitCode);

    CliClient *m_client;
    const BrandingTranslator *m_branding;
    Options m_options;
    TwoFactorMethods m_methods;
    QString m_mobileNumber;
    bool m_done = false;
    bool m_tanSent = false; // a failure now concerns the TAN, not the password
};
