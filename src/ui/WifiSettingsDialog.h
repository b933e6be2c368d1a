#pragma once

#include <QDialog>

class QCheckBox;
class QTableWidget;
class QTableWidgetItem;
class WifiController;

// "WiFi synchronization settings": the choice for newly discovered wireless
// networks and, per remembered network, whether automatic syncs may run on it.
class WifiSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit WifiSettingsDialog(WifiController *controller, QWidget *parent = nullptr);

    QTableWidget *table() const { return m_table; }

signals:
    void wifiSyncChanged(const QString &id, bool value);

public slots:
    void rebuild();

private:
    void itemChanged(QTableWidgetItem *item);

    WifiController *m_controller;
    QCheckBox *m_syncNew;
    QTableWidget *m_table;
};
