#include "ui/MainView.h"

#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

MainView::MainView(QWidget *fileSafePage, QWidget *settingsPage, QWidget *parent)
    : QWidget(parent)
    , m_tabs(new QTabWidget(this))
{
    setObjectName(QStringLiteral("mainView"));
    m_tabs->setObjectName(QStringLiteral("mainTabs"));
    // Until the password safe's view is put in.
    auto *placeholder = new QLabel(tr("The password safe is not available in this version."), m_tabs);
    placeholder->setObjectName(QStringLiteral("passwordsPlaceholder"));
    placeholder->setAlignment(Qt::AlignCenter);
    m_tabs->addTab(placeholder, tr("Password Safe"));
    m_tabs->addTab(fileSafePage, tr("File Safe"));
    m_tabs->addTab(settingsPage, tr("Settings"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
}

int MainView::currentTab() const
{
    return m_tabs->currentIndex();
}

void MainView::setPasswordsPage(QWidget *page)
{
    QWidget *old = m_tabs->widget(PasswordSafeTab);
    m_tabs->removeTab(PasswordSafeTab);
    m_tabs->insertTab(PasswordSafeTab, page, tr("Password Safe"));
    delete old;
}

void MainView::selectTab(int index)
{
    if (index < 0 || index >= m_tabs->count()) {
        qWarning("MainView::selectTab: Invalid tab selected: %d", index);
        return;
    }
    m_tabs->setCurrentIndex(index);
}
