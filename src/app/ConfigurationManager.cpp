#include "app/ConfigurationManager.h"

#include <QFile>
#include <QJsonDocument>
#include <QSettings>

namespace {
QJsonObject readJsonObject(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("ConfigurationManager: cannot open '%s'", qUtf8Printable(path));
        return {};
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        qWarning("ConfigurationManager: '%s' is not a JSON object: %s", qUtf8Printable(path),
                 qUtf8Printable(error.errorString()));
        return {};
    }
    return doc.object();
}
} // namespace

bool ConfigurationManager::load(const QString &path)
{
    const QJsonObject root = readJsonObject(path);
    if (root.isEmpty())
        return false;
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (it.value().isObject())
            m_builtin.insert(it.key(), it.value());
    }
    const QJsonObject files = root.value(QStringLiteral("config_files")).toObject();
    for (auto it = files.begin(); it != files.end(); ++it)
        addSource(it.key(), readJsonObject(it.value().toString()));
    return true;
}

void ConfigurationManager::addSource(const QString &name, const QJsonObject &object)
{
    m_sources.insert(name, object);
}

QJsonObject ConfigurationManager::source(const QString &name) const
{
    return m_sources.value(name);
}

void ConfigurationManager::setSettings(QSettings *settings)
{
    m_settings = settings;
}

void ConfigurationManager::setDefault(const QString &key, const QVariant &value)
{
    m_defaults.insert(key, value);
}

bool ConfigurationManager::splitKey(const QString &key, QString *section, QString *name)
{
    const int slash = key.indexOf(QLatin1Char('/'));
    if (slash <= 0)
        return false;
    *section = key.left(slash);
    *name = key.mid(slash + 1);
    return true;
}

bool ConfigurationManager::contains(const QString &key) const
{
    QString section, name;
    if (splitKey(key, &section, &name) && m_builtin.value(section).toObject().contains(name))
        return true;
    if (m_settings && m_settings->contains(key))
        return true;
    return m_defaults.contains(key);
}

QVariant ConfigurationManager::value(const QString &key, const QVariant &defaultValue) const
{
    QString section, name;
    if (splitKey(key, &section, &name)) {
        const QJsonObject sec = m_builtin.value(section).toObject();
        if (sec.contains(name))
            return sec.value(name).toVariant();
    }
    if (m_settings && m_settings->contains(key))
        return m_settings->value(key);
    const auto it = m_defaults.constFind(key);
    if (it != m_defaults.constEnd())
        return it.value();
    return defaultValue;
}

bool ConfigurationManager::setValue(const QString &key, const QVariant &value)
{
    QString section, name;
    if (splitKey(key, &section, &name) && m_builtin.value(section).toObject().contains(name))
        return false;
    if (!m_settings)
        return false;
    m_settings->setValue(key, value);
    return true;
}
