#include "drive/CredentialStore.h"

#include "app/AppInfo.h"
#include "drive/KeychainException.h"
#include "net/JsonReader.h"
#include "sync/Crypto.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
    Document doc = load();
    const QString pw = encryptStoredValue(password);
    if (Account *a = findAccount(doc, serverId, accountName))
        a->pw = pw;
    else
        doc.uclist << Account{serverId, accountName, pw, QString()};
    save(doc);
}

void CredentialStore::clearPassword(const QString &serverId, const QString &accountName)
{
    checkAccountArguments(serverId, accountName);
    Document doc = load();
    Account *a = findAccount(doc, serverId, accountName);
    if (!a || a->pw.isEmpty())
        return;
    a->pw.clear();
    save(doc);
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
    Document doc = load();
    const QString dsec = encryptStoredValue(value);
    if (Account *a = findAccount(doc, serverId, accountName))
        a->dsec = dsec;
    else
        doc.uclist << Account{serverId, accountName, QString(), dsec};
    save(doc);
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
    Document doc = load();
    const QString encrypted = encryptStoredValue(QString::fromLatin1(key.toHex()));
    for (LocalKey &k : doc.localKeys) {
        if (k.id == syncSettingId) {
            k.key = encrypted;
            save(doc);
            return;
        }
    }
    doc.localKeys << LocalKey{syncSettingId, encrypted};
    save(doc);
}
