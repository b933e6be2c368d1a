#include "net/ServerList.h"

#include "app/ConfigurationManager.h"
#include "app/Settings.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringListModel>

namespace {
const char *const CustomPrefix = "CUSTOM";

ServerTO localDev()
{
    return ServerTO{QStringLiteral("LOCALDEV"), QStringLiteral("LocalDev"), QStringLiteral("LDEV"),
                    QStringLiteral("https://localhost:8443"), false};
}

ServerTO custom()
{
    return ServerTO{QStringLiteral("CUSTOM"), QStringLiteral("Custom"), QString::fromLatin1(CustomPrefix),
                    QStringLiteral("https://127.0.0.1:8443"), false};
}
} // namespace

ServerList::ServerList(const ConfigurationManager *config, QObject *parent)
    : QObject(parent)
{
    load(config);
    m_servers << localDev() << custom();
    m_selected = 0;
    initSelectedServer();
}

void ServerList::load(const ConfigurationManager *config)
{
    if (!config)
        return;
    // The resource holds {"servers": {"serverlist": [...]}}.
    QJsonObject servers = config->source(QStringLiteral("servers"));
    if (servers.value(QStringLiteral("servers")).isObject())
        servers = servers.value(QStringLiteral("servers")).toObject();
    const QJsonValue listValue = servers.value(QStringLiteral("serverlist"));
    if (!listValue.isArray()) {
        qWarning("ServerList::load: no server list in the configuration");
        return;
    }
    const QJsonArray list = listValue.toArray();
    for (const QJsonValue &v : list) {
        if (!v.isObject()) {
            qWarning("ServerList::load: ignoring a server entry that is not an object");
            continue;
        }
        const QJsonObject o = v.toObject();
        ServerTO s;
        s.group = o.value(QStringLiteral("group")).toString();
        s.name = o.value(QStringLiteral("name")).toString();
        s.prefix = o.value(QStringLiteral("prefix")).toString();
        s.url = o.value(QStringLiteral("url")).toString();
        s.ssl = o.value(QStringLiteral("ssl")).toBool();
        if (s.prefix.isEmpty() || s.url.isEmpty()) {
            qWarning("ServerList::load: ignoring server entry '%s' without prefix or url", qUtf8Printable(s.name));
            continue;
        }
        m_servers << s;
    }
}

void ServerList::setSelectedIndex(int index)
{
    if (index == m_selected)
        return;
    m_previous = m_selected;
    m_selected = index;
    emit selectionChanged(m_servers.at(m_selected));
}

void ServerList::select(int index)
{
    if (index < 0 || index >= m_servers.size())
        return;
    setSelectedIndex(index);
}

void ServerList::setSelected(const ServerTO &entry)
{
    for (int i = 0; i < m_servers.size(); ++i) {
        if (m_servers.at(i).prefix == entry.prefix) {
            setSelectedIndex(i);
            Settings::setValue(Settings::NetServer, entry.prefix);
            return;
        }
    }
    qWarning("ServerList::setSelected: unknown server '%s'", qUtf8Printable(entry.prefix));
}

const ServerTO *ServerList::findByPrefix(const QString &prefix) const
{
    for (const ServerTO &s : m_servers)
        if (s.prefix == prefix)
            return &s;
    return nullptr;
}

bool ServerList::isCustomSelected() const
{
    return m_selected == m_servers.size() - 1;
}

void ServerList::setCustomUrl(const QString &url)
{
    m_servers.last().url = url;
    const int last = m_servers.size() - 1;
    if (m_selected == last)
        emit selectionChanged(m_servers.at(last));
    else
        setSelectedIndex(last);
    Settings::setValue(Settings::NetServer, QString::fromLatin1(CustomPrefix));
}

bool ServerList::restoreCustomUrl()
{
    const QString url = Settings::value(Settings::UiDbgDialogServerUrl).toString();
    if (!isCustomSelected() || url.isEmpty())
        return false;
    qInfo("ServerList::restoreCustomUrl: custom server '%s'", qUtf8Printable(url));
    setCustomUrl(url);
    return true;
}

QStringListModel *ServerList::model(QObject *parent) const
{
    QStringList names;
    for (const ServerTO &s : m_servers)
        names << s.name;
    return new QStringListModel(names, parent);
}

void ServerList::initSelectedServer()
{
    const QString prefix = Settings::value(Settings::NetServer).toString();
    qInfo("OndoApplication::initSelectedServer: saved server (prefix): '%s'", qUtf8Printable(prefix));
    for (int i = 0; i < m_servers.size(); ++i) {
        if (!prefix.isEmpty() && m_servers.at(i).prefix == prefix) {
            setSelectedIndex(i);
            return;
        }
    }
}
