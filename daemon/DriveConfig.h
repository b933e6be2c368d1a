#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>

// What the client hands the daemon in its environment. The key is held only
// here, in memory, and wiped when the object goes.
class DriveConfig
{
public:
    ~DriveConfig();

    // Reads KORVEX_MOUNT, KORVEX_STORAGE, KORVEX_METHOD, KORVEX_KEY,
    // KORVEX_LOG_FILE, KORVEX_LOG_LEVEL and KORVEX_BRAND. Returns false with
    // `error` set when one that the drive needs is missing or malformed; the
    // error never contains the key.
    bool read(const QProcessEnvironment &env, QString *error);

    QString mount() const { return m_mount; }
    QString storage() const { return m_storage; }
    QString logFile() const { return m_logFile; }
    QString logLevel() const { return m_logLevel; }
    QString brand() const { return m_brand; }

    // The password gocryptfs gets for the storage folder: 64 hex digits of
    // HKDF-SHA256 over the 16-byte key. The storage folder's gocryptfs.conf
    // wraps its master key under this password, so another key fails to
    // open it. Empty when the derivation fails.
    QByteArray gocryptfsPassword() const;
    static QByteArray hkdfSha256(const QByteArray &key, const QByteArray &salt, const QByteArray &info, int length);

private:
    QString m_mount;
    QString m_storage;
    QString m_logFile;
    QString m_logLevel;
    QString m_brand;
    QByteArray m_key;
};
