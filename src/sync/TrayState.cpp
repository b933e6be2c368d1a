#include "sync/TrayState.h"

#include <QCoreApplication>
#include <QDir>

TrayState::TrayState(const QStringList &frames, bool showPasswordSafe)
    : m_frames(frames)
    , m_showPasswordSafe(showPasswordSafe)
{
    for (bool &offered : m_offered)
        offered = true;
}

void TrayState::offer(std::initializer_list<Action> actions, bool offered)
{
    for (Action a : actions)
        m_offered[a] = offered;
}

bool TrayState::setState(State state)
{
    if (state == m_state)
        return false;
    m_state = state;
    switch (state) {
    case LoggedOut:
        offer({Login}, true);
        offer({Logout, SyncAll, CancelSync, Settings, SyncActivities, PasswordSafe}, false);
        break;
    case LoggedInIdle:
    case SyncFinished:
    case StopRequested:
        offer({Login, CancelSync}, false);
        offer({Logout, SyncAll, Settings, SyncActivities, PasswordSafe}, true);
        break;
    case Syncing:
        offer({Login, SyncAll}, false);
        offer({Logout, CancelSync, Settings}, true);
        break;
    case None:
        break;
    }
    if (!m_showPasswordSafe)
        m_offered[PasswordSafe] = false;
    return true;
}

void TrayState::setShowPasswordSafe(bool show)
{
    m_showPasswordSafe = show;
    if (!show)
        m_offered[PasswordSafe] = false;
}

QString TrayState::icon() const
{
    return m_state == LoggedOut || m_state == None ? QStringLiteral(":/res/tray/logged_out.png")
                                                   : QStringLiteral(":/res/tray/idle.png");
}

QString TrayState::toolTip() const
{
    return m_state == Syncing ? QCoreApplication::translate("GlobalActions", "Syncing ...") : QString();
}

std::optional<QString> TrayState::nextFrame()
{
    if (m_state != Syncing || m_frames.isEmpty())
        return std::nullopt;
    const QString frame = m_frames.at(m_counter % m_frames.size());
    ++m_counter;
    return frame;
}

QStringList TrayState::framesIn(const QString &folder)
{
    QStringList frames;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("syncing_*.png")}, QDir::Files, QDir::Name);
    for (const QString &name : names)
        frames << QStringLiteral("%1/%2").arg(folder, name);
    return frames;
}

std::optional<TrayState::Notification> TrayState::notificationFor(int nDone, int nFailed)
{
    if (nDone < 1)
        return std::nullopt;
    Notification n;
    n.withErrors = nFailed != 0;
    n.title = n.withErrors ? QCoreApplication::translate("GlobalActions", "Synchronisation with errors")
                           : QCoreApplication::translate("GlobalActions", "Synchronisation successful");
    n.body = QCoreApplication::translate("GlobalActions", "%n change(s) in your ${SERVICE_NAME}", nullptr, nDone);
    return n;
}
