#pragma once

#include <QString>
#include <QVariantMap>

// Per-account state: named maps of key/value pairs below a key and an id.
class Storage
{
public:
    // Flags of an entry.
    enum Flag {
        WriteThrough = 1, // written to the store at once
        Reload = 2,       // re-read from the store when the account changes
        Transient = 4,    // kept in memory only
    };

    virtual ~Storage() = default;
    virtual void setValue(const QString &name, const QVariantMap &map, int flags) = 0;
    virtual QVariantMap value(const QString &name) = 0;
    virtual void reload(const QString &name) = 0;
    virtual void reloadMarked() = 0;

    void setKey(const QString &key, qint64 id);
    const QString &key() const { return m_key; }
    qint64 id() const { return m_id; }

protected:
    QString m_key;
    qint64 m_id = 0;
};
