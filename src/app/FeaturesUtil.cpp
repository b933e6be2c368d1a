#include "app/FeaturesUtil.h"

#include <QElapsedTimer>
#include <QMouseEvent>

namespace {
qint64 monotonicMs()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}
} // namespace

FeaturesUtil::FeaturesUtil(int count, int windowMs, Qt::KeyboardModifiers modifiers, QObject *parent, Clock clock)
    : QObject(parent)
    , m_count(count)
    , m_windowMs(windowMs)
    , m_modifiers(modifiers)
    , m_clock(clock ? std::move(clock) : Clock(&monotonicMs))
{
}

bool FeaturesUtil::press(Qt::KeyboardModifiers held)
{
    if (m_modifiers != Qt::NoModifier && (held & m_modifiers) != m_modifiers) {
        m_pressed = 0;
        return false;
    }
    const qint64 now = m_clock();
    if (m_pressed == 0 || now - m_started > m_windowMs) {
        m_pressed = 0;
        m_started = now;
    }
    if (++m_pressed < m_count)
        return false;
    m_pressed = 0;
    emit triggered();
    return true;
}

bool FeaturesUtil::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress)
        press(static_cast<QMouseEvent *>(event)->modifiers());
    return QObject::eventFilter(watched, event);
}
