#pragma once

#include <QWidget>

class QTabWidget;

// The main window's content after login: the tabs "Password Safe",
// "File Safe" and "Settings".
class MainView : public QWidget
{
    Q_OBJECT
public:
    enum Tab { PasswordSafeTab = 0, FileSafeTab = 1, SettingsTab = 2 };

    MainView(QWidget *fileSafePage, QWidget *settingsPage, QWidget *parent = nullptr);

    QTabWidget *tabs() const { return m_tabs; }
    int currentTab() const;
    // Puts the password safe's view in place of the placeholder.
    void setPasswordsPage(QWidget *page);

public slots:
    void selectTab(int index);

private:
    QTabWidget *m_tabs;
};
