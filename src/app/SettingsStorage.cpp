#include "app/SettingsStorage.h"

#include <QSettings>

SettingsStorage::SettingsStorage(QSettings *settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
}

// Entries kept back reach the store when the account changes and at the end.
SettingsStorage::~SettingsStorage()
{
    flush();
}

QString SettingsStorage::groupFor(const QString &name) const
{
    return QStringLiteral("state/%1:%2/%3").arg(m_key).arg(m_id).arg(name);
}

void SettingsStorage::setValue(const QString &name, const QVariantMap &map, int flags)
{
    m_cache.insert(name, Entry{map, flags});
    if (flags & Transient)
        return;
    if (flags & WriteThrough) {
        m_unwritten.remove(name);
        writeGroup(name, map);
        m_settings->sync();
    } else {
        m_unwritten.insert(name, map);
    }
}

QVariantMap SettingsStorage::value(const QString &name)
{
    const auto it = m_cache.constFind(name);
    if (it != m_cache.constEnd())
        return it->map;
    const QVariantMap map = readGroup(name);
    m_cache.insert(name, Entry{map, 0});
    return map;
}

void SettingsStorage::reload(const QString &name)
{
    Entry &entry = m_cache[name];
    entry.map = readGroup(name);
}

// Called before the key changes: what belongs to the old account is written
// under its group, and the entries marked for reloading are dropped so that
// the next read fetches the new account's values.
void SettingsStorage::reloadMarked()
{
    flush();
    for (auto it = m_cache.begin(); it != m_cache.end();) {
        if (it->flags & (Reload | Transient))
            it = m_cache.erase(it);
        else
            ++it;
    }
}

void SettingsStorage::flush()
{
    if (m_unwritten.isEmpty())
        return;
    for (auto it = m_unwritten.constBegin(); it != m_unwritten.constEnd(); ++it)
        writeGroup(it.key(), it.value());
    m_unwritten.clear();
    m_settings->sync();
}

QVariantMap SettingsStorage::readGroup(const QString &name) const
{
    QVariantMap map;
    m_settings->beginGroup(groupFor(name));
    for (const QString &k : m_settings->childKeys())
        map.insert(k, m_settings->value(k));
    m_settings->endGroup();
    return map;
}

void SettingsStorage::writeGroup(const QString &name, const QVariantMap &map)
{
    m_settings->remove(groupFor(name));
    m_settings->beginGroup(groupFor(name));
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        m_settings->setValue(it.key(), it.value());
    m_settings->endGroup();
}
