#pragma once

#include "net/Result.h"
#include "ri/PasswordTO.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class IPasswordRI;
class ISession;
class QMimeData;
class QTimer;

// The password safe's logic between its views and the password API: the
// transport encryption of secrets under the session key, the clipboard with
// its wipe timer, web addresses, short notices at the point where the user
// clicked, and the safe's settings (clipboard time-out, lock by inactivity,
// locked flag, automatic unlock, showing the safe).
//
// No entry is cached and no clear-text password is kept beyond the one
// operation that needs it: every copy of a password fetches it anew.
//
// Notices are requested through notice()/noticeExpired(); the widget layer
// shows them (as tool tips).
class PasswordController : public QObject
{
    Q_OBJECT
public:
    // Seconds since 1970 (UTC); tests hand in their own clock.
    using Clock = std::function<qint64()>;

    PasswordController(IPasswordRI *api, ISession *session, QObject *parent = nullptr, Clock clock = Clock());
    ~PasswordController() override;

    // Server operations; each records the operation time.
    void getPasswords(Callback<EmptyPasswordsTO> callback);
    void getPassword(const QString &id, Callback<SinglePasswordTO> callback);
    // Encrypt the clear password into the record and send it. The clear text
    // is wiped as soon as it is encrypted.
    void createPassword(PasswordRecord record, QString &&clearPassword, Callback<EmptyPasswordTO> callback);
    void updatePassword(PasswordRecord record, QString &&clearPassword, Callback<EmptyPasswordTO> callback);
    void checkBreached(QString &&clearPassword, Callback<PasswordIdListTO> callback);
    void deletePassword(const QString &id, Callback<Nothing> callback);

    // Fills the record's encrypted password and IV (fresh IV every time);
    // false when there is no session key or no randomness. The clear text is
    // wiped either way.
    bool encryptPassword(PasswordRecord &record, QString &&clearPassword) const;
    // The clear text of a fetched secret; nothing when it does not decrypt
    // under the current session key (an empty password is a valid answer).
    std::optional<QString> decryptPassword(const SinglePasswordTO &secret) const;

    // Puts a password on the clipboard and wipes it after the time-out
    // unless something else was copied meanwhile. False without a clipboard.
    bool copyPasswordToClipboard(const QPoint &origin, const QString &clearPassword);

    // Settings, read and written on every use.
    int clipboardTimeoutSeconds() const;
    void setClipboardTimeoutSeconds(int seconds);
    // The lock interval in whole minutes; 0 and less mean never.
    int lockIntervalMinutes() const;
    void setLockIntervalMinutes(int minutes);
    bool isLocked() const;
    void setLocked(bool locked);
    bool isAutoUnlock() const;
    bool showPasswordSafe() const;
    void setShowPasswordSafe(bool show);
    // True when the time since the last operation exceeds the lock interval.
    bool isLockTimeoutExpired() const;

    // Whether the clipboard still holds the password this controller put there.
    bool clipboardHoldsOwnCopy() const;

public slots:
    void loadPasswordForClipboard(QPoint origin, QString pwdId, QString dummyText);
    bool copyUsernameToClipboard(QPoint origin, QString pwdId, QString username);
    bool openUrlInBrowser(QPoint origin, QString pwdId, QString url);
    void setAutoUnlock(bool enabled);
    // A short notice near `origin`, hidden again after 1500 ms.
    void showNotice(const QPoint &origin, const QString &text);

signals:
    // Show `text` near `origin` (global coordinates) until noticeExpired().
    void notice(const QPoint &origin, const QString &text);
    void noticeExpired();
    void lockedChanged(bool locked);
    // The copied password was wiped from the clipboard.
    void clipboardWiped();

private slots:
    void onClipboardChange();

private:
    void recordOperation();
    // Encrypts the clear password into the record, then hands it to the API.
    template<typename T>
    void sendEncrypted(PasswordRecord record, QString &&clearPassword, Callback<T> callback,
                       void (IPasswordRI::*operation)(const PasswordRecord &, Callback<T>));
    void noticeAtOrigin(const QString &text) { showNotice(m_noticeOrigin, text); }
    void wipeClipboard();
    QMimeData *secretMimeData(const QString &text) const;

    IPasswordRI *m_api;
    QPointer<ISession> m_session;
    QPoint m_noticeOrigin;
    QTimer *m_clipboardTimer; // child
    QTimer *m_noticeTimer;    // child
    Clock m_clock;
    // Marks our own clipboard content, so that a later copy by the user is
    // told apart from ours and never wiped.
    QByteArray m_clipboardMark;
    bool m_ownCopyPending = false;
};
