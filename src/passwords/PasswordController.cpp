#include "passwords/PasswordController.h"

#include "app/Settings.h"
#include "net/ISession.h"
#include "passwords/PasswordTransport.h"
#include "passwords/SecretWipe.h"
#include "ri/IPasswordRI.h"
#include "sync/Crypto.h"

#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {
constexpr int kNoticeMs = 1500;
// Our mark on the clipboard content, to tell our copy from a later one.
const char kMarkFormat[] = "application/x-korvex-clipboard-mark";
// Asks clipboard managers (Klipper and others that honour it) not to keep
// the password in their history.
const char kPasswordManagerHint[] = "x-kde-passwordManagerHint";

QClipboard *clipboard()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}
} // namespace

PasswordController::PasswordController(IPasswordRI *api, ISession *session, QObject *parent, Clock clock)
    : QObject(parent)
    , m_api(api)
    , m_session(session)
    , m_clipboardTimer(new QTimer(this))
    , m_noticeTimer(new QTimer(this))
    , m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentSecsSinceEpoch(); }))
{
    m_clipboardTimer->setSingleShot(true);
    m_noticeTimer->setSingleShot(true);
    m_noticeTimer->setInterval(kNoticeMs);
    connect(m_clipboardTimer, &QTimer::timeout, this, &PasswordController::wipeClipboard);
    connect(m_noticeTimer, &QTimer::timeout, this, &PasswordController::noticeExpired);
    if (QClipboard *board = clipboard())
        connect(board, &QClipboard::dataChanged, this, &PasswordController::onClipboardChange);
    if (isAutoUnlock())
        setLocked(false);
}

PasswordController::~PasswordController()
{
    // The timer cannot fire any more: a password still waiting for its wipe
    // would otherwise stay on the clipboard after the client ended.
    if (m_clipboardTimer->isActive())
        wipeClipboard();
}

void PasswordController::recordOperation()
{
    Settings::setValue(Settings::PasswordLastOperationTimestamp, m_clock());
}

void PasswordController::getPasswords(Callback<EmptyPasswordsTO> callback)
{
    recordOperation();
    m_api->getPasswords(std::move(callback));
}

void PasswordController::getPassword(const QString &id, Callback<SinglePasswordTO> callback)
{
    recordOperation();
    m_api->getPassword(id, std::move(callback));
}

template<typename T>
void PasswordController::sendEncrypted(PasswordRecord record, QString &&clearPassword, Callback<T> callback,
                                       void (IPasswordRI::*operation)(const PasswordRecord &, Callback<T>))
{
    recordOperation();
    if (!encryptPassword(record, std::move(clearPassword))) {
        if (callback)
            callback(Result<T>(ERR_INTERNAL, QStringLiteral("Unable to encrypt the password")));
        return;
    }
    (m_api->*operation)(record, std::move(callback));
}

void PasswordController::createPassword(PasswordRecord record, QString &&clearPassword,
                                        Callback<EmptyPasswordTO> callback)
{
    sendEncrypted(std::move(record), std::move(clearPassword), std::move(callback), &IPasswordRI::createPassword);
}

void PasswordController::updatePassword(PasswordRecord record, QString &&clearPassword,
                                        Callback<EmptyPasswordTO> callback)
{
    sendEncrypted(std::move(record), std::move(clearPassword), std::move(callback), &IPasswordRI::updatePassword);
}

void PasswordController::checkBreached(QString &&clearPassword, Callback<PasswordIdListTO> callback)
{
    sendEncrypted(PasswordRecord(), std::move(clearPassword), std::move(callback), &IPasswordRI::checkBreached);
}

void PasswordController::deletePassword(const QString &id, Callback<Nothing> callback)
{
    recordOperation();
    m_api->deletePassword(id, std::move(callback));
}

bool PasswordController::encryptPassword(PasswordRecord &record, QString &&clearPassword) const
{
    return PasswordTransport::encrypt(m_session ? m_session->sessionKey() : QByteArray(), record,
                                      std::move(clearPassword));
}

std::optional<QString> PasswordController::decryptPassword(const SinglePasswordTO &secret) const
{
    return PasswordTransport::decrypt(m_session ? m_session->sessionKey() : QByteArray(), secret);
}

QMimeData *PasswordController::secretMimeData(const QString &text) const
{
    auto *mime = new QMimeData;
    mime->setText(text);
    mime->setData(QString::fromLatin1(kPasswordManagerHint), QByteArrayLiteral("secret"));
    mime->setData(QString::fromLatin1(kMarkFormat), m_clipboardMark);
    return mime;
}

bool PasswordController::clipboardHoldsOwnCopy() const
{
    QClipboard *board = clipboard();
    const QMimeData *mime = board ? board->mimeData() : nullptr;
    return mime && !m_clipboardMark.isEmpty() && mime->data(QString::fromLatin1(kMarkFormat)) == m_clipboardMark;
}

bool PasswordController::copyPasswordToClipboard(const QPoint &origin, const QString &clearPassword)
{
    m_clipboardTimer->stop();
    m_noticeOrigin = origin;
    QClipboard *board = clipboard();
    if (!board)
        return false;
    m_clipboardMark = randomBytes(16).toHex();
    // The text first, the timer after: our own change of the clipboard must
    // not count as the user's.
    board->setMimeData(secretMimeData(clearPassword));
    m_clipboardTimer->start(qMax(1, clipboardTimeoutSeconds()) * 1000);
    return true;
}

void PasswordController::loadPasswordForClipboard(QPoint origin, QString pwdId, QString dummyText)
{
    Q_UNUSED(dummyText)
    qDebug("PasswordController::on_passwordSelected: pwdId: '%s'", qUtf8Printable(pwdId));
    // The wipe timer of an earlier copy keeps running until this one has
    // succeeded: a failed fetch must not leave that password on the clipboard.
    m_noticeOrigin = origin;
    noticeAtOrigin(tr("Retrieving remote password..."));
    const QPointer<PasswordController> self(this);
    // on_getSinglePasswordWithClipboardNoSignal
    getPassword(pwdId, [self, origin](const Result<SinglePasswordTO> &result) {
        if (!self)
            return;
        std::optional<QString> clear = result.isOk() ? self->decryptPassword(result.value) : std::nullopt;
        if (!clear) {
            self->noticeAtOrigin(tr("Failed to retrieve password from server!"));
            qWarning("PasswordController::on_getSinglePasswordWithClipboardNoSignal: Unable to retrieve single "
                     "password: %s",
                     qUtf8Printable(result.isOk() ? QStringLiteral("it does not decrypt") : result.message));
            return;
        }
        const bool copied = self->copyPasswordToClipboard(origin, *clear);
        SecretWipe::wipe(*clear);
        self->noticeAtOrigin(copied ? tr("Password copied to clipboard") : tr("Unable to copy password"));
    });
}

bool PasswordController::copyUsernameToClipboard(QPoint origin, QString pwdId, QString username)
{
    Q_UNUSED(pwdId)
    m_noticeOrigin = origin;
    QClipboard *board = clipboard();
    if (!board)
        return false;
    board->setText(username);
    noticeAtOrigin(tr("Copied to clipboard"));
    return true;
}

bool PasswordController::openUrlInBrowser(QPoint origin, QString pwdId, QString url)
{
    Q_UNUSED(pwdId)
    m_noticeOrigin = origin;
    noticeAtOrigin(tr("Opening Web Address in browser"));
    const QUrl address = QUrl::fromUserInput(url.trimmed());
    // A web address from an entry goes to the browser only: a "file:" or
    // other scheme would let the desktop open or run local things.
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || address.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        qWarning("PasswordController::openUrlInBrowser: not a web address: '%s'", qUtf8Printable(url));
        return false;
    }
    return QDesktopServices::openUrl(address);
}

void PasswordController::showNotice(const QPoint &origin, const QString &text)
{
    m_noticeOrigin = origin;
    emit notice(origin, text);
    m_noticeTimer->start();
}

void PasswordController::wipeClipboard()
{
    m_clipboardTimer->stop();
    if (!clipboardHoldsOwnCopy())
        return; // the user copied something else meanwhile: theirs stays
    if (QClipboard *board = clipboard())
        board->clear();
    m_clipboardMark.clear();
    emit clipboardWiped();
}

void PasswordController::onClipboardChange()
{
    if (m_clipboardTimer->isActive() && !clipboardHoldsOwnCopy())
        m_clipboardTimer->stop();
}

int PasswordController::clipboardTimeoutSeconds() const
{
    return Settings::value(Settings::PasswordTimeoutSeconds).toInt();
}

void PasswordController::setClipboardTimeoutSeconds(int seconds)
{
    Settings::setValue(Settings::PasswordTimeoutSeconds, seconds);
}

int PasswordController::lockIntervalMinutes() const
{
    const int seconds = Settings::value(Settings::PasswordLockSeconds).toInt();
    return seconds < 0 ? 0 : seconds / 60;
}

void PasswordController::setLockIntervalMinutes(int minutes)
{
    Settings::setValue(Settings::PasswordLockSeconds, minutes > 0 ? minutes * 60 : -1);
}

bool PasswordController::isLocked() const
{
    return Settings::value(Settings::PasswordLocked).toBool();
}

void PasswordController::setLocked(bool locked)
{
    const bool was = isLocked();
    Settings::setValue(Settings::PasswordLocked, locked);
    if (!locked)
        recordOperation();
    if (was != locked)
        emit lockedChanged(locked);
}

bool PasswordController::isAutoUnlock() const
{
    return Settings::value(Settings::AppAutoUnlockPwdSafe).toBool();
}

void PasswordController::setAutoUnlock(bool enabled)
{
    Settings::setValue(Settings::AppAutoUnlockPwdSafe, enabled);
}

bool PasswordController::showPasswordSafe() const
{
    return Settings::value(Settings::AppShowPwdSafe).toBool();
}

void PasswordController::setShowPasswordSafe(bool show)
{
    Settings::setValue(Settings::AppShowPwdSafe, show);
}

bool PasswordController::isLockTimeoutExpired() const
{
    const int lockSeconds = Settings::value(Settings::PasswordLockSeconds).toInt();
    if (lockSeconds < 0)
        return false;
    const qint64 last = Settings::value(Settings::PasswordLastOperationTimestamp).toLongLong();
    return m_clock() - last > lockSeconds;
}
