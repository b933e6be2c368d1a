#include "drive/CredentialStore.h"

#include "app/AppInfo.h"
#include "drive/KeychainException.h"
#include "net/JsonReader.h"
#include "sync/Crypto.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>

#include <qt5keychain/keychain.h>

#include <stdexcept>

namespace {

// Runs one key store job to its end in a local event loop.
void runJob(QKeychain::Job &job)
{
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
}

class KeychainBackend : public CredentialStore::Backend
{
public:
    explicit KeychainBackend(const QString &service)
        : m_service(service)
    {
    }

    QString read(const QString &key) override
    {
        QKeychain::ReadPasswordJob job(m_service);
        job.setKey(key);
        runJob(job);
        if (job.error() == QKeychain::NoError)
            return job.textData();
        if (job.error() == QKeychain::EntryNotFound)
            return QString();
        throw KeychainException(QStringLiteral("%1 while reading key %2").arg(job.errorString(), key));
    }

    void write(const QString &key, const QString &text) override
    {
        if (text.isEmpty())
            throw KeychainException(QStringLiteral("Keychain value for key '%1' is empty").arg(key));
        QKeychain::WritePasswordJob job(m_service);
        job.setKey(key);
        job.setTextData(text);
        runJob(job);
        if (job.error() != QKeychain::NoError)
            throw KeychainException(QStringLiteral("%1 while writing key %2").arg(job.errorString(), key));
    }

    void remove(const QString &key) override
    {
        QKeychain::DeletePasswordJob job(m_service);
        job.setKey(key);
        runJob(job);
        if (job.error() != QKeychain::NoError && job.error() != QKeychain::EntryNotFound)
            throw KeychainException(QStringLiteral("%1 while deleting key %2").arg(job.errorString(), key));
    }

private:
    QString m_service;
};

} // namespace

CredentialStore::Backend::~Backend() = default;

std::unique_ptr<CredentialStore::Backend> CredentialStore::keychainBackend(const QString &serviceName)
{
    return std::make_unique<KeychainBackend>(serviceName);
}

CredentialStore::CredentialStore(const AppInfo *appInfo, std::unique_ptr<Backend> backend)
    : m_appInfo(appInfo)
    , m_backend(backend ? std::move(backend) : keychainBackend(appInfo->appNameInternal()))
{
}

CredentialStore::~CredentialStore() = default;

QString CredentialStore::itemKey() const
{
    return QStringLiteral("%1.uclist").arg(m_appInfo->appNameInternal());
}

void CredentialStore::checkAccountArguments(const QString &serverId, const QString &accountName)
{
    if (serverId.isEmpty())
        throw std::invalid_argument("serverId empty");
    if (accountName.isEmpty())
        throw std::invalid_argument("accountName is empty");
}

CredentialStore::Document CredentialStore::parse(const QString &text)
{
    Document doc;
    if (text.isEmpty())
        return doc;
    JsonReader reader = JsonReader::fromText(text.toUtf8());
    const QJsonArray accounts = reader.toArray(QStringLiteral("uclist"), JsonReader::Optional);
    for (int i = 0; i < accounts.size() && reader.ok(); ++i) {
        JsonReader item = reader.element(accounts, i);
        Account a;
        a.server = item.toString(QStringLiteral("server"));
        a.name = item.toString(QStringLiteral("name"));
        a.pw = item.toString(QStringLiteral("pw"));
        a.dsec = item.toString(QStringLiteral("dsec"), JsonReader::Optional);
        doc.uclist << a;
    }
    const QJsonArray keys = reader.toArray(QStringLiteral("localKeys"), JsonReader::Optional);
    for (int i = 0; i < keys.size() && reader.ok(); ++i) {
        JsonReader item = reader.element(keys, i);
        LocalKey k;
        k.id = item.toInt64(QStringLiteral("id"));
        k.key = item.toString(QStringLiteral("key"));
        doc.localKeys << k;
    }
    if (!reader.ok())
        throw std::runtime_error(QStringLiteral("Cannot read UCL %1").arg(reader.error()).toUtf8().toStdString());
    return doc;
}

QString CredentialStore::serialize(const Document &document)
{
    QJsonArray accounts;
    for (const Account &a : document.uclist) {
        QJsonObject o;
        o.insert(QStringLiteral("server"), a.server);
        o.insert(QStringLiteral("name"), a.name);
        o.insert(QStringLiteral("pw"), a.pw);
        if (!a.dsec.isEmpty())
            o.insert(QStringLiteral("dsec"), a.dsec);
        accounts.append(o);
    }
    QJsonArray keys;
    for (const LocalKey &k : document.localKeys) {
        QJsonObject o;
        o.insert(QStringLiteral("id"), k.id);
        o.insert(QStringLiteral("key"), k.key);
        keys.append(o);
    }
    QJsonObject root;
    root.insert(QStringLiteral("uclist"), accounts);
    root.insert(QStringLiteral("localKeys"), keys);
    return QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Compact));
}

CredentialStore::Document CredentialStore::load()
{
    return parse(m_backend->read(itemKey()));
}

void CredentialStore::save(const Document &document)
{
    m_backend->write(itemKey(), serialize(document));
}

QString CredentialStore::lockFilePath() const
{
    return m_appInfo->databaseFolder() + QLatin1Char('/') + itemKey()
           + QStringLiteral(".lock");
}

void CredentialStore::change(const std::function<bool(Document &)> &edit)
{
    // The desktop client and korvexcmd share the item: without the lock, two
    // of them writing at once would each write back what they read, and the
    // later write would drop the other's value (a doubleSec lost means a
    // TAN at the next login).
    const QString path = lockFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QLockFile lock(path);
    lock.setStaleLockTime(0); // stale only when its holder is gone, however long it waits
    if (!lock.tryLock(m_lockTimeoutMs)) {
        if (lock.error() == QLockFile::LockFailedError)
            throw KeychainException(QStringLiteral("Key store item %1 is in use by another process").arg(itemKey()));
        // No place for the lock file: change the item unguarded rather than not at all.
        qWarning("CredentialStore: cannot create the lock file %s", qUtf8Printable(path));
    }
    Document doc = load();
    if (edit(doc))
        save(doc);
}

CredentialStore::Account *CredentialStore::findAccount(Document &document, const QString &serverId,
                                                       const QString &accountName)
{
    for (Account &a : document.uclist)
        if (a.server == serverId && a.name == accountName)
            return &a;
    return nullptr;
}

QString CredentialStore::readPassword(const QString &serverId, const QString &accountName)
{
    checkAccountArguments(serverId, accountName);
    Document doc = load();
    const Account *a = findAccount(doc, serverId, accountName);
    return a ? decryptStoredValue(a->pw) : QString();
}

void CredentialStore::storePassword(const QString &serverId, const QString &accountName, const QString &password)
{
    checkAccountArguments(serverId, accountName);
    const QString pw = encryptStoredValue(password);
    change([&](Document &doc) {
        if (Account *a = findAccount(doc, serverId, accountName))
            a->pw = pw;
        else
            doc.uclist << Account{serverId, accountName, pw, QString()};
        return true;
    });
}

void CredentialStore::clearPassword(const QString &serverId, const QString &accountName)
{
    checkAccountArguments(serverId, accountName);
    change([&](Document &doc) {
        Account *a = findAccount(doc, serverId, accountName);
        if (!a || a->pw.isEmpty())
            return false;
        a->pw.clear();
        return true;
    });
}

QString CredentialStore::readDoubleSec(const QString &serverId, const QString &accountName)
{
    Document doc = load();
    const Account *a = findAccount(doc, serverId, accountName);
    return a ? decryptStoredValue(a->dsec) : QString();
}

void CredentialStore::storeDoubleSec(const QString &serverId, const QString &accountName, const QString &value)
{
    checkAccountArguments(serverId, accountName);
    const QString dsec = encryptStoredValue(value);
    change([&](Document &doc) {
        if (Account *a = findAccount(doc, serverId, accountName))
            a->dsec = dsec;
        else
            doc.uclist << Account{serverId, accountName, QString(), dsec};
        return true;
    });
}

QString CredentialStore::readEncryptionKey(qint64 syncSettingId)
{
    const Document doc = load();
    for (const LocalKey &k : doc.localKeys)
        if (k.id == syncSettingId)
            return decryptStoredValue(k.key);
    return QString();
}

void CredentialStore::storeEncryptionKey(qint64 syncSettingId, const QByteArray &key)
{
    const QString encrypted = encryptStoredValue(QString::fromLatin1(key.toHex()));
    change([&](Document &doc) {
        for (LocalKey &k : doc.localKeys) {
            if (k.id == syncSettingId) {
                k.key = encrypted;
                return true;
            }
        }
        doc.localKeys << LocalKey{syncSettingId, encrypted};
        return true;
    });
}
