#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the event loop (a handler
// may only write to a pipe; the loop reads it), so that a running sync can
// be stopped cleanly.
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

signals:
    void signalled(int signalNumber);

private:
    void onReadable();

    QSocketNotifier *m_notifier = nullptr;
};
