#pragma once

#include <QObject>

class MultiSyncher;

// Quitting while a sync runs: a close request to the application is held
// back and tryQuit() asks the user; the quit happens on confirmation, or
// when the sync ends by itself, unless the user took it back.
class CleanupHandler : public QObject
{
    Q_OBJECT
public:
    explicit CleanupHandler(MultiSyncher *scheduler, QObject *parent = nullptr);

    bool isQuitPending() const { return m_quitPending; }

signals:
    void tryQuit();
    void runQuit();

public slots:
    void quitRequested();
    void quitAborted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MultiSyncher *m_scheduler;
    bool m_quitPending = false;
};
