#include "ri/LoginFailureText.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace LoginFailureText {

namespace {
// Translated where a translator is installed (the desktop); korvexcmd gets
// the English texts.
QString translated(const char *text)
{
    return QCoreApplication::translate("LoginFailureText", text);
}

QString more(const char *placeholder)
{
    return QStringLiteral(" &nbsp;&nbsp;&nbsp;<a href=\"${%1}\" style=\"color: black;\">%2</a>")
        .arg(QLatin1String(placeholder), translated(QT_TRANSLATE_NOOP("LoginFailureText", "More &gt;")));
}
} // namespace

QString forCode(ErrorCode code, const QString &message, bool afterPasswordSubmit, const QString &statusSuffix)
{
    switch (code) {
    case ERR_INTERNAL:
        return translated(QT_TRANSLATE_NOOP("LoginFailureText", "Internal error.")) + more("URL_DOWNLOAD");
    case ERR_NETWORK:
    case ERR_SERVICE_UNAVAILABLE:
    case ERR_SSL:
    case ERR_EMPTY_RESPONSE:
        return translated(QT_TRANSLATE_NOOP("LoginFailureText", "Unable to connect to ${SERVICE_NAME}.")) + statusSuffix;
    case ERR_TIMEOUT:
    case ERR_TIMEOUT_FLOW:
        return translated(QT_TRANSLATE_NOOP("LoginFailureText", "Timeout while contacting ${SERVICE_NAME}.")) + statusSuffix;
    case ERR_NO_INTERNET:
    case ERR_HOST_NOT_FOUND:
        return translated(QT_TRANSLATE_NOOP("LoginFailureText", "Unable to connect to the Internet.")) + statusSuffix;
    case ERR_PROXY_AUTH_REQUIRED:
        return translated(QT_TRANSLATE_NOOP("LoginFailureText", "Proxy authentication required."));
    case ERR_CONNECTION_REFUSED:
        return translated(QT_TRANSLATE_NOOP("LoginFailureText", "${SERVICE_NAME} service currently not available.")) + more("URL_HELP");
    case ERR_CLIENT_NOT_SUPPORTED:
        return translated(QT_TRANSLATE_NOOP("LoginFailureText", "Client not supported.")) + more("URL_DOWNLOAD");
    case ERR_CLIENT_OUTDATED:
        return translated(QT_TRANSLATE_NOOP("LoginFailureText", "Client outdated.")) + more("URL_DOWNLOAD");
    case ERR_LOGIN_FAILED:
        return afterPasswordSubmit ? translated(QT_TRANSLATE_NOOP("LoginFailureText", "Invalid username or password")) : translated(QT_TRANSLATE_NOOP("LoginFailureText", "Login failed"));
    case ERR_ACCOUNT_EXPIRED:
        return translated(QT_TRANSLATE_NOOP("LoginFailureText", "Account is expired.")) + more("URL_SUBSCRIPTION");
    case ERR_ACCOUNT_INHERITED:
        return translated(QT_TRANSLATE_NOOP("LoginFailureText", "Inheritance executed.")) + more("URL_INHERITANCE");
    case ERR_ACCOUNT_LOCKED:
        return translated(QT_TRANSLATE_NOOP("LoginFailureText", "Account locked.")) + more("URL_SUPPORT");
    default:
        qWarning("LoginView::on_loginFailed: Unknown error: %d '%s'", int(code), qUtf8Printable(message));
        return translated(QT_TRANSLATE_NOOP("LoginFailureText", "Internal error. &nbsp;&nbsp;")) + message.toHtmlEscaped() + statusSuffix;
    }
}

QString toPlainText(const QString &richText)
{
    QString text = richText;
    static const QRegularExpression link(QStringLiteral("<a\\s+href=\"([^\"]*)\"[^>]*>(.*?)</a>"));
    text.replace(link, QStringLiteral("(\\2: \\1)"));
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    text.remove(tag);
    text.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    text.replace(blanks, QStringLiteral(" "));
    text.replace(QLatin1String("More >: "), QLatin1String("more: "));
    return text.trimmed();
}

} // namespace LoginFailureText
