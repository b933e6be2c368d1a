#pragma once

#include "sync/CipherCalculator.h"

#include <QByteArray>
#include <QIODevice>

// A read-only device over a local file that yields the file's content
// encrypted with AES-256-CBC (PKCS#7 padding) under the session key, so that
// an upload streams its body without holding the file in memory. Any
// sequence of read sizes yields the same bytes as a one-shot encryption.
//
// The body is exactly size() bytes long, computed from the file's size when
// the device is opened: if the file grows or shrinks while it is read, the
// device fails (readData returns -1, failed() is true) instead of sending a
// body that differs from the length it announced. It cannot be rewound; a
// retried upload makes a new device with a new IV.
class AesCryptDevice : public QIODevice
{
    Q_OBJECT
public:
    // `source` is not owned; key 32 bytes, IV 16 bytes.
    AesCryptDevice(const QByteArray &key, const QByteArray &iv, QIODevice *source, QObject *parent = nullptr);
    ~AesCryptDevice() override;

    bool isSequential() const override { return false; }
    bool open(OpenMode mode) override;
    void close() override;
    // (plain size / 16 + 1) * 16: the exact length of the ciphertext.
    qint64 size() const override;
    // Only the current position: the cipher runs forward.
    bool seek(qint64 pos) override;

    // The device gave up: the source changed size, could not be read, or the
    // cipher failed. errorString() says which.
    bool failed() const { return m_failed; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    qint64 fail(const QString &why);
    // Copies from the front of m_pending into data + *n, up to maxSize.
    void drain(char *data, qint64 maxSize, qint64 *n);

    QIODevice *m_source;
    QByteArray m_pending; // ciphertext not yet handed out, from m_pendingPos on
    int m_pendingPos = 0;
    QByteArray m_key;
    CipherCalculator m_cipher;
    bool m_finished = false;
    bool m_cipherReady = false;
    bool m_failed = false;
    qint64 m_plainSize = -1; // the source's size when opened
    qint64 m_consumed = 0;   // plain bytes read from the source
};
