#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class AppInfo;

// Secrets kept between runs, in one item of the platform key store: the
// remembered account passwords and second-factor ("doubleSec") values per
// server and account, and the 16-byte keys of locally encrypted sync
// settings. Each value inside is protected once more with
// encryptStoredValue. Every operation reads the whole item, changes one
// value and writes the whole item back; changes hold a lock file next to the
// database, so that the processes of one user (the desktop client,
// korvexcmd) never overwrite each other's values.
//
// Item: service = the internal application name, key = "<name>.uclist",
// text = compact JSON {"uclist":[{"server","name","pw","dsec"?}...],
// "localKeys":[{"id","key"}...]}; an absent item reads as empty.
//
// Failures throw (callers catch and log): std::invalid_argument for an empty
// server id ("serverId empty") or account name ("accountName is empty"),
// std::runtime_error "Cannot read UCL <reader error>" for an item that does
// not parse (the store never repairs or replaces it), KeychainException for
// key store failures (also when another process holds the lock for longer
// than the lock time-out), std::runtime_error "Unable to encrypt"/"Unable to
// decrypt" from the value protection. There is no insecure fallback: without
// a key store nothing is remembered.
class CredentialStore
{
public:
    // Access to the key store item; the default goes through qtkeychain to
    // the platform's key store (the Secret Service here). Each call runs the
    // key store job in a local event loop until it finished.
    class Backend
    {
    public:
        virtual ~Backend();
        // The item's text; empty when there is no item. Throws KeychainException.
        virtual QString read(const QString &key) = 0;
        // Throws KeychainException, also for an empty text.
        virtual void write(const QString &key, const QString &text) = 0;
        // An absent item is fine. Throws KeychainException.
        virtual void remove(const QString &key) = 0;
    };

    explicit CredentialStore(const AppInfo *appInfo, std::unique_ptr<Backend> backend = nullptr);
    ~CredentialStore();

    // The platform key store under `serviceName`, without insecure fallback.
    static std::unique_ptr<Backend> keychainBackend(const QString &serviceName);

    // "<appNameInternal>.uclist"
    QString itemKey() const;
    // "<database folder>/<item key>.lock"
    QString lockFilePath() const;
    // How long a change waits for another process's change (default 10 s).
    void setLockTimeout(int ms) { m_lockTimeoutMs = ms; }

    QString readPassword(const QString &serverId, const QString &accountName);
    void storePassword(const QString &serverId, const QString &accountName, const QString &password);
    void clearPassword(const QString &serverId, const QString &accountName);
    // No argument check: an empty id or name simply matches nothing.
    QString readDoubleSec(const QString &serverId, const QString &accountName);
    void storeDoubleSec(const QString &serverId, const QString &accountName, const QString &value);
    // The decrypted lower-case hex text of the key; empty when there is none.
    QString readEncryptionKey(qint64 syncSettingId);
    void storeEncryptionKey(qint64 syncSettingId, const QByteArray &key);

private:
    struct Account
    {
        QString server;
        QString name;
        QString pw;
        QString dsec;
    };
    struct LocalKey
    {
        qint64 id = 0;
        QString key;
    };
    struct Document
    {
        QList<Account> uclist;
        QList<LocalKey> localKeys;
    };

    static void checkAccountArguments(const QString &serverId, const QString &accountName);
    static Document parse(const QString &text);
    static QString serialize(const Document &document);
    Document load();
    void save(const Document &document);
    // Under the lock: load, `edit`, and save when `edit` returns true.
    void change(const std::function<bool(Document &)> &edit);
    static Account *findAccount(Document &document, const QString &serverId, const QString &accountName);

    const AppInfo *m_appInfo;
    std::unique_ptr<Backend> m_backend;
    int m_lockTimeoutMs = 10000;
};
