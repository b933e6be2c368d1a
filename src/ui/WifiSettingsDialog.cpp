#include "ui/WifiSettingsDialog.h"

#include "sync/WifiController.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

WifiSettingsDialog::WifiSettingsDialog(WifiController *controller, QWidget *parent)
    : QDialog(parent)
    , m_controller(controller)
    , m_syncNew(new QCheckBox(tr("Automatically synchronize on newly discovered wireless networks"), this))
    , m_table(new QTableWidget(this))
{
    setObjectName(QStringLiteral("wifiSettingsDialog"));
    setWindowTitle(tr("WiFi synchronization settings"));
    resize(520, 320);
    m_syncNew->setObjectName(QStringLiteral("syncNewWifisCheckBox"));
    m_syncNew->setChecked(controller->syncOnNewWifi());
    m_table->setObjectName(QStringLiteral("wifiTable"));
    m_table->setAccessibleName(tr("Wireless networks"));
    m_table->setColumnCount(2);
    m_table->setHorizontalHeaderLabels({tr("Automatically synchronize over network?"), tr("Last connected")});
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->verticalHeader()->hide();
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_syncNew);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    connect(m_syncNew, &QCheckBox::toggled, controller, &WifiController::setSyncOnNewWifi);
    connect(controller, &WifiController::wifiStateChanged, this, &WifiSettingsDialog::rebuild);
    connect(m_table, &QTableWidget::itemChanged, this, &WifiSettingsDialog::itemChanged);
    connect(this, &WifiSettingsDialog::wifiSyncChanged, controller, &WifiController::setWifiSyncSetting);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    rebuild();
}

void WifiSettingsDialog::rebuild()
{
    // Filling the table is not the user changing a choice.
    const QSignalBlocker block(m_table);
    const QList<WifiNetwork> networks = m_controller->networks();
    m_table->setRowCount(networks.size());
    for (int r = 0; r < networks.size(); ++r) {
        const WifiNetwork &n = networks.at(r);
        auto *name = new QTableWidgetItem(n.name());
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        name->setCheckState(n.synchronize() ? Qt::Checked : Qt::Unchecked);
        name->setData(Qt::UserRole, n.identifier());
        auto *status = new QTableWidgetItem(n.statusText());
        status->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        m_table->setItem(r, 0, name);
        m_table->setItem(r, 1, status);
    }
}

void WifiSettingsDialog::itemChanged(QTableWidgetItem *item)
{
    if (item->column() != 0)
        return;
    emit wifiSyncChanged(item->data(Qt::UserRole).toString(), item->checkState() == Qt::Checked);
}
