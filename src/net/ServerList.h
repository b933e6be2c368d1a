#pragma once

#include "net/ServerTO.h"

#include <QList>
#include <QObject>
#include <QString>

class ConfigurationManager;
class QStringListModel;

// The servers a user can log in to: the brand's ":/servers.json" list
// followed by "LocalDev" and "Custom" (always last, its URL replaceable at
// run time). The selection is remembered in "net/server" by prefix.
class ServerList : public QObject
{
    Q_OBJECT
public:
    explicit ServerList(const ConfigurationManager *config, QObject *parent = nullptr);

    const QList<ServerTO> &servers() const { return m_servers; }
    int count() const { return m_servers.size(); }
    // The selected entry (the list is never empty).
    const ServerTO &selected() const { return m_servers.at(m_selected); }
    int selectedIndex() const { return m_selected; }
    // Ignored when the index is outside the list.
    void select(int index);
    // Selects the entry with this prefix and stores the prefix under "net/server".
    void setSelected(const ServerTO &entry);
    const ServerTO *findByPrefix(const QString &prefix) const;
    bool isCustomSelected() const;
    // Sets the Custom entry's URL and selects it ("CUSTOM" under "net/server").
    void setCustomUrl(const QString &url);
    // When Custom is the remembered selection, gives it back the URL kept in
    // "ui/dbg_dialog_server_url" (where the debug dialog and korvexcmd keep a
    // hand-entered address); the built-in URL would point at another server
    // than the one the remembered account belongs to. True when it did.
    bool restoreCustomUrl();
    // The entries' names in list order, for a selection box; owned by the caller.
    QStringListModel *model(QObject *parent = nullptr) const;
    void initSelectedServer();

    // The second pointer kept beside the selection; nobody reads it yet.
    const ServerTO *previous() const { return m_previous < 0 ? nullptr : &m_servers.at(m_previous); }

signals:
    void selectionChanged(const ServerTO &server);

private:
    void load(const ConfigurationManager *config);
    void setSelectedIndex(int index);

    QList<ServerTO> m_servers;
    int m_selected = 0;
    int m_previous = -1;
};
