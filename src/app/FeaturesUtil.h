#pragma once

#include <QObject>
#include <functional>

// A hidden gesture: `count` mouse presses within `windowMs`, each with the
// given keyboard modifiers held, emit triggered(). Install it as an event
// filter on the widget to watch.
class FeaturesUtil : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<qint64()>; // milliseconds, monotonic

    FeaturesUtil(int count, int windowMs, Qt::KeyboardModifiers modifiers, QObject *parent = nullptr,
                 Clock clock = Clock());

    // One press; returns true when it completed the gesture.
    bool press(Qt::KeyboardModifiers held);
    int pressCount() const { return m_pressed; }

signals:
    void triggered();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_count;
    int m_windowMs;
    Qt::KeyboardModifiers m_modifiers;
    Clock m_clock;
    int m_pressed = 0;
    qint64 m_started = 0;
};
