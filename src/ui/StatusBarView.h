#pragma once

#include "sync/ProgressInfo.h"

#include <QDateTime>
#include <QTimer>
#include <QWidget>

class FeaturesUtil;
class QLabel;

// The foot of the main window: the version, a message line and the phase of
// a running sync. Progress reports are shown at most every RefreshMs, so a
// sync of many small files does not repaint the bar once per file.
class StatusBarView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int RefreshMs = 100;

    explicit StatusBarView(QWidget *parent = nullptr);

    QString message() const;
    QString syncText() const;
    FeaturesUtil *debugGesture() const { return m_debugGesture; }

public slots:
    void setMessage(const QString &text);
    void on_syncStarted();
    void on_syncProgress(bool ok, const ProgressInfo &pi);
    void on_syncFinished();
    void on_syncCanceled();
    void setLastSync(const QDateTime &time);

signals:
    void debugDialogRequested();

private:
    void showProgress();

    QLabel *m_version;
    QLabel *m_message;
    QLabel *m_sync;
    FeaturesUtil *m_debugGesture;
    QTimer m_refresh;
    ProgressInfo m_latest;
    bool m_havePending = false;
    bool m_running = false;
};
