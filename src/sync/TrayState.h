#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The tray's state and what follows from it: the icon, the tool tip, which
// menu actions are offered, the animation frame while syncing and the
// notification after a run. GlobalActions shows it; tests drive it without
// widgets.
class TrayState
{
public:
    enum State { None = 0, LoggedOut = 1, LoggedInIdle = 2, Syncing = 3, SyncFinished = 4, StopRequested = 5 };

    // The menu actions, in the order they are created.
    enum Action {
        Show,
        About,
        VersionLine,
        Login,
        Logout,
        SyncAll,
        CancelSync,
        Settings,
        SyncActivities,
        ShowLog,
        Help,
        Quit,
        PasswordSafe,
        ActionCount
    };

    struct Notification
    {
        QString title;
        QString body;
        bool withErrors = false;
    };

    static constexpr int FrameIntervalMs = 175;

    // `frames`: the animation's frame resources in order; `showPasswordSafe`
    // mirrors "app/show_pwd_safe".
    explicit TrayState(const QStringList &frames = QStringList(), bool showPasswordSafe = true);

    State state() const { return m_state; }
    // False (and nothing changes) when the state is already held.
    bool setState(State state);
    void setShowPasswordSafe(bool show);

    // Offered actions are enabled and visible; the others neither.
    bool isOffered(Action action) const { return m_offered[action]; }
    // The icon resource for a state other than Syncing.
    QString icon() const;
    QString toolTip() const;
    // The next animation frame (only while syncing and with frames);
    // advances the counter.
    std::optional<QString> nextFrame();
    int frameCounter() const { return m_counter; }
    const QStringList &frames() const { return m_frames; }

    // The frames in a resource folder: "syncing_*.png" in name order.
    static QStringList framesIn(const QString &folder);
    // After a run: nothing when no change was made.
    static std::optional<Notification> notificationFor(int nDone, int nFailed);

private:
    void offer(std::initializer_list<Action> actions, bool offered);

    State m_state = None;
    bool m_offered[ActionCount];
    QStringList m_frames;
    int m_counter = 0;
    bool m_showPasswordSafe;
};
