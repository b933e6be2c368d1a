#pragma once

#include "ui/DesktopParts.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The "Settings" tab: how often automatic syncs run, the Wi-Fi rule, the
// base folder of new sync folders, and the start-up options.
class SettingsView : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsView(const DesktopParts &parts, QWidget *parent = nullptr);

signals:
    void showHistoryRequested();

public slots:
    void reload();
    void on_wifiSettingsButton_clicked();
    void on_defaultFolderButton_clicked();

private:
    DesktopParts m_parts;
    QSpinBox *m_interval;
    QCheckBox *m_deleteWarning;
    QCheckBox *m_autoLogin;
    QCheckBox *m_startOnLogin;
    QCheckBox *m_startMinimized;
    QLabel *m_defaultFolder;
    QPushButton *m_wifi;
};
