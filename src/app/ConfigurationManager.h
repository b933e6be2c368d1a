#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QVariant>

class QSettings;

// Two-part (section/name) configuration over the built-in JSON resources and
// the user's settings. Built-in sections win; keys they do not hold are
// answered by the user settings, then by registered defaults, then by the
// default the caller passes.
class ConfigurationManager
{
public:
    ConfigurationManager() = default;

    // Loads a built-in configuration such as ":/config.json". Its sections
    // become lookup sections; every entry of "config_files" names a further
    // JSON resource that is loaded as a source of its own.
    bool load(const QString &path);

    // Registers one JSON document as a named source ("servers", "substitutions").
    void addSource(const QString &name, const QJsonObject &object);
    QJsonObject source(const QString &name) const;

    // The user settings; not owned. May be null (then only built-ins answer).
    void setSettings(QSettings *settings);
    QSettings *settings() const { return m_settings; }

    void setDefault(const QString &key, const QVariant &value);
    QVariant value(const QString &key, const QVariant &defaultValue = QVariant()) const;
    bool contains(const QString &key) const;
    // Writes a user setting; built-in keys are read-only and refused.
    bool setValue(const QString &key, const QVariant &value);

    static bool splitKey(const QString &key, QString *section, QString *name);

private:
    QJsonObject m_builtin;                 // section -> object
    QHash<QString, QJsonObject> m_sources; // name -> document
    QHash<QString, QVariant> m_defaults;
    QSettings *m_settings = nullptr;
};
