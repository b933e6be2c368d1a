#pragma once

#include "sync/CipherCalculator.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>

// The target of a download: decrypts the body chunk by chunk into a
// temporary file beside the destination, and after the caller checked it,
// replaces the destination with it in one step. Unless it was moved into
// place, the temporary file is removed when the object goes, so every
// failure leaves the destination as it was.
class DownloadFile : public QObject
{
    Q_OBJECT
public:
    // `nameTemplate`: the temporary file's path with a run of six "X" that
    // is replaced by random characters. Nothing is opened here.
    DownloadFile(const QString &nameTemplate, const QByteArray &key, QObject *parent = nullptr);
    ~DownloadFile() override;

    // Starts the decryption with the IV of the reply (32 hex digits) and
    // creates the temporary file. Nothing is created when the IV is wrong.
    bool init(const QString &ivHex);
    bool isInitialised() const { return m_initialised; }
    // Decrypts a received chunk and appends the plaintext.
    bool update(const QByteArray &chunk);
    // Decrypts the last block (fails on bad padding) and closes the file.
    bool finish();
    // The size of the temporary file on disk.
    qint64 size() const;
    // Closes and removes the temporary file now (unless it was moved into
    // place); the destructor does the same.
    void discard();
    // The temporary file's path (the template until init succeeded).
    QString path() const { return m_path; }

    enum class RenameError { None, DestinationInUse, Failed };
    // Moves the temporary file onto `destination`, replacing a file there in
    // one atomic step (the old file stays until the new one is in place).
    // An existing destination's permissions are kept.
    RenameError rename(const QString &destination);

private:
    bool write(const QByteArray &plain, const char *what);

    QString m_path;
    QByteArray m_key;
    CipherCalculator m_cipher;
    bool m_initialised = false;
    QFile m_file;
    bool m_kept = false;
};
