#include "ui/SettingsView.h"

#include "app/AppInfo.h"
#include "app/Settings.h"
#include "app/StartOnStartup.h"
#include "sync/DirUtil.h"
#include "sync/MultiSyncher.h"
#include "sync/SettingSetup.h"
#include "ui/DialogHelper.h"
#include "ui/OpenBox.h"
#include "ui/MessageBoxPrompts.h"
#include "ui/WifiSettingsDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

SettingsView::SettingsView(const DesktopParts &parts, QWidget *parent)
    : QWidget(parent)
    , m_parts(parts)
    , m_interval(new QSpinBox(this))
    , m_deleteWarning(new QCheckBox(tr("Ask before a sync deletes many files in a file safe"), this))
    , m_autoLogin(new QCheckBox(tr("Log in automatically at start"), this))
    , m_startOnLogin(new QCheckBox(tr("Start ${APP_NAME} when I log in to this computer"), this))
    , m_startMinimized(new QCheckBox(tr("Start minimized (only the tray icon)"), this))
    , m_defaultFolder(new QLabel(this))
    , m_wifi(new QPushButton(tr("WiFi settings..."), this))
{
    setObjectName(QStringLiteral("mainSettingsView"));
    m_interval->setObjectName(QStringLiteral("syncIntervalSpinBox"));
    m_interval->setRange(1, 24 * 60);
    m_interval->setSuffix(tr(" min"));
    m_deleteWarning->setObjectName(QStringLiteral("deleteWarningCheckBox"));
    m_autoLogin->setObjectName(QStringLiteral("autoLoginCheckBox"));
    m_startMinimized->setObjectName(QStringLiteral("startMinimizedCheckBox"));
    m_startOnLogin->setObjectName(QStringLiteral("startOnLoginCheckBox"));
    m_startOnLogin->setEnabled(m_parts.appInfo != nullptr);
    m_defaultFolder->setObjectName(QStringLiteral("defaultFolderLabel"));
    m_defaultFolder->setTextFormat(Qt::PlainText);
    m_wifi->setObjectName(QStringLiteral("wifiSettingsButton"));
    m_wifi->setEnabled(m_parts.wifi != nullptr);
    auto *history = new QPushButton(tr("File Sync Activities"), this);
    history->setObjectName(QStringLiteral("historyButton"));
    auto *changeFolder = new QPushButton(tr("Change local default ${APP_NAME} folder..."), this);
    changeFolder->setObjectName(QStringLiteral("defaultFolderButton"));

    auto *sync = new QGroupBox(tr("Synchronisation"), this);
    auto *syncForm = new QFormLayout(sync);
    syncForm->addRow(tr("Synchronize every:"), m_interval);
    syncForm->addRow(QString(), m_deleteWarning);
    auto *syncButtons = new QHBoxLayout;
    syncButtons->addWidget(m_wifi);
    syncButtons->addWidget(history);
    syncButtons->addStretch(1);
    syncForm->addRow(QString(), syncButtons);
    syncForm->addRow(tr("Default folder:"), m_defaultFolder);
    syncForm->addRow(QString(), changeFolder);
    auto *start = new QGroupBox(tr("Start"), this);
    auto *startLayout = new QVBoxLayout(start);
    startLayout->addWidget(m_startOnLogin);
    startLayout->addWidget(m_autoLogin);
    startLayout->addWidget(m_startMinimized);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(sync);
    layout->addWidget(start);
    layout->addStretch(1);

    connect(m_interval, qOverload<int>(&QSpinBox::valueChanged), this, [this](int minutes) {
        Settings::setValue(Settings::AppSyncIntervalMinutes, minutes);
        if (m_parts.scheduler)
            m_parts.scheduler->setSyncTimer(minutes);
    });
    connect(m_deleteWarning, &QCheckBox::clicked, this,
            [](bool on) { Settings::setValue(Settings::UiShowDeleteFilesWarning, on); });
    connect(m_autoLogin, &QCheckBox::clicked, this, [](bool on) { Settings::setValue(Settings::AppAutoLogin, on); });
    // The user's own autostart entry, naming this program.
    connect(m_startOnLogin, &QCheckBox::clicked, this, [this](bool on) {
        if (!m_parts.appInfo)
            return;
        StartOnStartup entry(m_parts.appInfo->appNameInternal());
        if (!(on ? entry.enable() : entry.disable())) {
            qWarning("SettingsView: cannot change the start-on-login entry %s", qUtf8Printable(entry.entryPath()));
            OpenBox::inform(this, QMessageBox::Warning, tr("Start on login"),
                            tr("The start-on-login entry cannot be changed:\n%1").arg(entry.entryPath()));
        }
        reload();
    });
    connect(m_startMinimized, &QCheckBox::clicked, this,
            [](bool on) { Settings::setValue(Settings::AppStartMinimized, on); });
    connect(m_wifi, &QPushButton::clicked, this, &SettingsView::on_wifiSettingsButton_clicked);
    connect(history, &QPushButton::clicked, this, &SettingsView::showHistoryRequested);
    connect(changeFolder, &QPushButton::clicked, this, &SettingsView::on_defaultFolderButton_clicked);
    reload();
}

void SettingsView::reload()
{
    const QSignalBlocker block(m_interval);
    m_interval->setValue(Settings::value(Settings::AppSyncIntervalMinutes).toInt());
    m_deleteWarning->setChecked(Settings::value(Settings::UiShowDeleteFilesWarning).toBool());
    m_autoLogin->setChecked(Settings::value(Settings::AppAutoLogin).toBool());
    m_startMinimized->setChecked(Settings::value(Settings::AppStartMinimized).toBool());
    m_startOnLogin->setChecked(m_parts.appInfo && StartOnStartup(m_parts.appInfo->appNameInternal()).isEnabled());
    m_defaultFolder->setText(m_parts.dirUtil ? QDir::toNativeSeparators(m_parts.dirUtil->getSyncRootPath()) : QString());
}

void SettingsView::on_wifiSettingsButton_clicked()
{
    if (!m_parts.wifi)
        return;
    WifiSettingsDialog dialog(m_parts.wifi, this);
    dialog.exec();
}

void SettingsView::on_defaultFolderButton_clicked()
{
    MessageBoxPrompts prompts(this);
    SettingSetup setup(m_parts.settings, m_parts.session, &prompts);
    const QString folder = DialogHelper::pickValidDefaultFolder(this, tr("Select the default folder"), setup);
    if (folder.isEmpty())
        return;
    Settings::setValue(Settings::AppDefaultFolderName, folder);
    reload();
}
