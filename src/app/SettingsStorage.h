#pragma once

#include "app/Storage.h"

#include <QHash>
#include <QObject>

class QSettings;

// Per-account state kept in the user settings below "state/<key>:<id>/<name>".
class SettingsStorage : public QObject, public Storage
{
    Q_OBJECT
public:
    // The settings object is owned by the caller and outlives this storage.
    explicit SettingsStorage(QSettings *settings, QObject *parent = nullptr);
    ~SettingsStorage() override;

    void setValue(const QString &name, const QVariantMap &map, int flags) override;
    QVariantMap value(const QString &name) override;
    void reload(const QString &name) override;
    void reloadMarked() override;
    // Writes the entries kept back so far.
    void flush();

    QString groupFor(const QString &name) const;

private:
    struct Entry
    {
        QVariantMap map;
        int flags = 0;
    };
    QVariantMap readGroup(const QString &name) const;
    void writeGroup(const QString &name, const QVariantMap &map);

    QHash<QString, Entry> m_cache;
    QHash<QString, QVariantMap> m_unwritten;
    QSettings *m_settings;
};
