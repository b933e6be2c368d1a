#include "ui/SyncHistoryView.h"

#include "db/SyncHistoryDao.h"
#include "db/SyncSettingsDao.h"
#include "sync/DirUtil.h"
#include "sync/SyncHistoryModel.h"
#include "ui/FileManagerText.h"
#include "ui/RowTable.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

SyncHistoryView::SyncHistoryView(SyncHistoryDao *history, SyncSettingsDao *settings, DirUtil *dirUtil, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_history(history)
    , m_settings(settings)
    , m_dirUtil(dirUtil)
    , m_model(new SyncHistoryModel(this))
    , m_filter(new QComboBox(this))
    , m_from(new QDateTimeEdit(this))
    , m_to(new QDateTimeEdit(this))
    , m_toLabel(new QLabel(tr("to"), this))
    , m_refresh(new QPushButton(tr("Refresh"), this))
    , m_table(new QTableView(this))
{
    setObjectName(QStringLiteral("syncHistoryView"));
    setWindowTitle(tr("File Sync Activities"));
    resize(820, 480);
    m_filter->setObjectName(QStringLiteral("selectFilterComboBox"));
    m_filter->setAccessibleName(tr("Time window"));
    m_filter->addItems({tr("Show today's activities"), tr("Show yesterday's activities"),
                        tr("Show last hour's activities"), tr("Show activities")});
    const QDateTime now = QDateTime::currentDateTime();
    for (QDateTimeEdit *e : {m_from, m_to}) {
        e->setDisplayFormat(QStringLiteral("d.M.yyyy H:mm"));
        e->setCalendarPopup(true);
        e->hide();
    }
    m_from->setObjectName(QStringLiteral("fromDateTimeEdit"));
    m_from->setAccessibleName(tr("From"));
    m_from->setDateTime(QDateTime(now.date().addDays(-7), QTime(0, 0)));
    m_to->setObjectName(QStringLiteral("toDateTimeEdit"));
    m_to->setAccessibleName(tr("To"));
    m_to->setDateTime(QDateTime(now.date().addDays(1), QTime(0, 0)));
    m_toLabel->hide();
    m_refresh->setObjectName(QStringLiteral("refreshButton"));
    m_refresh->hide();

    m_table->setObjectName(QStringLiteral("historyTableView"));
    m_table->setAccessibleName(tr("Sync activities"));
    m_table->setModel(m_model);
    setUpRowTable(m_table);
    m_table->setAlternatingRowColors(true);

    auto *top = new QHBoxLayout;
    top->addWidget(m_filter);
    top->addWidget(m_from);
    top->addWidget(m_toLabel);
    top->addWidget(m_to);
    top->addWidget(m_refresh);
    top->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    setTabOrder(m_filter, m_from);
    setTabOrder(m_from, m_to);
    setTabOrder(m_to, m_refresh);
    setTabOrder(m_refresh, m_table);

    connect(m_filter, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &SyncHistoryView::on_selectFilterComboBox_currentIndexChanged);
    connect(m_refresh, &QPushButton::clicked, this, &SyncHistoryView::loadTableContent);
    // New rows arrive at the top, a batch at a time.
    connect(m_model, &SyncHistoryModel::liveRowsAdded, this, &SyncHistoryView::markReasons);
    initHistoryTable();
}

void SyncHistoryView::initHistoryTable()
{
    connect(m_table, &QTableView::doubleClicked, this, &SyncHistoryView::on_historyTableView_doubleClicked,
            Qt::UniqueConnection);
    connect(m_table, &QTableView::clicked, this, &SyncHistoryView::showReason, Qt::UniqueConnection);
    connect(m_table, &QTableView::customContextMenuRequested, this, &SyncHistoryView::showContextMenu,
            Qt::UniqueConnection);
}

void SyncHistoryView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    loadTableContent();
}

void SyncHistoryView::loadTableContent()
{
    QList<QPair<QString, QString>> safes;
    if (m_settings)
        for (const SyncSetting &s : m_settings->getList())
            safes << qMakePair(s.localDir, s.safeName);
    m_model->setSafeNames(safes);
    const auto window = SyncHistoryModel::window(m_filter->currentIndex(), QDateTime::currentDateTime(),
                                                 m_from->dateTime(), m_to->dateTime());
    const SyncHistoryObjects rows =
        m_history ? m_history->historyList(window.first, window.second, SyncHistoryModel::MaxRows) : SyncHistoryObjects();
    const int withInfo = m_model->load(rows);
    markReasons(m_model->rowCount());
    m_table->resizeColumnToContents(SyncHistoryModel::ActionColumn);
    m_table->setColumnWidth(SyncHistoryModel::ItemColumn, 360);
    qInfo("SyncHistoryView::initHistoryTable: loaded from db: %d rows (%d with info buttons)", m_model->rowCount(),
          withInfo);
}

void SyncHistoryView::on_selectFilterComboBox_currentIndexChanged(int index)
{
    if (index < SyncHistoryModel::Today || index > SyncHistoryModel::Range) {
        qWarning("SyncHistoryView::on_selectFilterComboBox_currentIndexChanged: unexpected filter selection: %d", index);
        return;
    }
    const bool range = index == SyncHistoryModel::Range;
    for (QWidget *w : std::initializer_list<QWidget *>{m_from, m_to, m_toLabel, m_refresh})
        w->setVisible(range);
    loadTableContent();
}

void SyncHistoryView::on_syncExecutedOne(const SyncAction &a)
{
    qDebug("SyncHistoryView::on_syncExecutedOne: shoid:%lld/%lld action:%s status:%s path: '%s'", a.historyObjectId,
           a.historyId, qUtf8Printable(a.typeName()), qUtf8Printable(a.statusName()), qUtf8Printable(a.path));
    if (!a.reason.isEmpty())
        qDebug("SyncHistoryView::on_syncExecutedOne: reason: '%s'", qUtf8Printable(a.reason));
    if (!a.message.isEmpty())
        qDebug("SyncHistoryView::on_syncExecutedOne: execErrMsg: '%s'", qUtf8Printable(a.message));
    // Only actions that did something belong to the history.
    if (a.type < SyncAction::Resolve)
        return;
    m_model->addLive(a);
}

void SyncHistoryView::markReasons(int rows)
{
    const QIcon info = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    for (int r = 0; r < qMin(rows, m_model->rowCount()); ++r)
        if (!m_model->reasonAt(r).isEmpty())
            m_model->item(r, SyncHistoryModel::StatusColumn)->setIcon(info);
}

void SyncHistoryView::showReason(const QModelIndex &index)
{
    if (index.column() != SyncHistoryModel::StatusColumn)
        return;
    const QString reason = m_model->reasonAt(index.row());
    if (reason.isEmpty())
        return;
    QMessageBox box(QMessageBox::Information, windowTitle(), reason, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void SyncHistoryView::on_historyTableView_doubleClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    revealPath(m_model->localPathAt(index.row()));
}

void SyncHistoryView::revealPath(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        qWarning("SyncHistoryView::on_historyTableView_doubleClicked: file or folder does not exist: %s",
                 qUtf8Printable(path));
        return;
    }
    if (!info.isAbsolute()) {
        qWarning("SyncHistoryView::on_historyTableView_doubleClicked: path is not absolute: %s", qUtf8Printable(path));
        return;
    }
    if (info.isDir())
        qInfo("SyncHistoryView::on_historyTableView_doubleClicked: open folder in file manager: %s",
              qUtf8Printable(path));
    else if (info.isExecutable())
        qInfo("SyncHistoryView::on_historyTableView_doubleClicked: file is executable: %s", qUtf8Printable(path));
    // Revealed, never opened: a synced file is never started from here.
    if (m_dirUtil)
        m_dirUtil->showInGraphicalShell(path);
}

void SyncHistoryView::showContextMenu(const QPoint &pos)
{
    const QModelIndex index = m_table->indexAt(pos);
    if (!index.isValid())
        return;
    const QString path = m_model->localPathAt(index.row());
    QMenu menu(this);
    menu.addAction(tr("Copy path to clipboard"), this,
                   [path] { QApplication::clipboard()->setText(QDir::toNativeSeparators(path)); });
    menu.addAction(showInFileManagerText(QFileInfo(path).fileName()), this, [this, path] { revealPath(path); });
    menu.exec(m_table->viewport()->mapToGlobal(pos));
}
