#include "ui/StatusBarView.h"

#include "app/FeaturesUtil.h"
#include "sync/SyncStatusText.h"

#include <QHBoxLayout>
#include <QLabel>

StatusBarView::StatusBarView(QWidget *parent)
    : QWidget(parent)
    , m_version(new QLabel(tr("${APP_NAME} ${APP_VERSION} ${APP_DEVSTAGE}"), this))
    , m_message(new QLabel(this))
    , m_sync(new QLabel(this))
    , m_debugGesture(new FeaturesUtil(5, 2000, Qt::AltModifier, this))
{
    setObjectName(QStringLiteral("statusBarView"));
    m_version->setObjectName(QStringLiteral("versionLabel"));
    m_message->setObjectName(QStringLiteral("statusLabel"));
    m_sync->setObjectName(QStringLiteral("syncLabel"));
    for (QLabel *l : {m_version, m_message, m_sync})
        l->setTextFormat(Qt::PlainText);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(m_version);
    layout->addWidget(m_message, 1);
    layout->addWidget(m_sync);
    // Five Alt-clicks on the status bar within two seconds open the debug
    // dialog; the window's status bar watches for them (the labels pass the
    // presses up to it, so each click counts once).
    connect(m_debugGesture, &FeaturesUtil::triggered, this, &StatusBarView::debugDialogRequested);
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(RefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &StatusBarView::showProgress);
}

QString StatusBarView::message() const
{
    return m_message->text();
}

QString StatusBarView::syncText() const
{
    return m_sync->text();
}

void StatusBarView::setMessage(const QString &text)
{
    m_message->setText(text);
}

void StatusBarView::on_syncStarted()
{
    m_running = true;
    m_latest = ProgressInfo();
    m_sync->setText(SyncStatusText::phase(0));
}

void StatusBarView::on_syncProgress(bool ok, const ProgressInfo &pi)
{
    Q_UNUSED(ok)
    m_latest = pi;
    m_havePending = true;
    if (!m_refresh.isActive())
        m_refresh.start();
}

void StatusBarView::showProgress()
{
    if (!m_havePending || !m_running)
        return;
    m_havePending = false;
    QString text = SyncStatusText::phase(m_latest.step, m_latest.done, m_latest.total);
    const QString item = SyncStatusText::currentItem(m_latest);
    if (!item.isEmpty() && m_latest.step == ProgressInfo::Action)
        text += QLatin1Char(' ') + item;
    m_sync->setText(text);
}

void StatusBarView::on_syncFinished()
{
    m_refresh.stop();
    m_running = false;
    m_havePending = false;
    m_sync->setText(SyncStatusText::phase(ProgressInfo::UpToDate));
}

void StatusBarView::on_syncCanceled()
{
    m_refresh.stop();
    m_running = false;
    m_havePending = false;
    m_sync->setText(SyncStatusText::phase(SyncStatusText::Canceled));
}

void StatusBarView::setLastSync(const QDateTime &time)
{
    if (!m_running)
        m_sync->setText(SyncStatusText::lastSync(time));
}
