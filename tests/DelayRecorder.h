#pragma once

#include "app/DelayedCall.h"

#include <QList>
#include <QPointer>

#include <functional>

// A clock for classes that take a DelayedCall::Schedule: it records the
// delays they ask for and lets the test fire the calls in order, so a
// schedule of hours runs in no time.
class DelayRecorder
{
public:
    DelayedCall::Schedule schedule()
    {
        return [this](int ms, QObject *context, std::function<void()> call) {
            m_pending.append({QPointer<QObject>(context), std::move(call)});
            m_delays.append(ms);
        };
    }
    // Every delay asked for so far, oldest first.
    QList<int> delays() const { return m_delays; }
    int pending() const { return m_pending.size(); }
    // Runs the oldest pending call whose context still lives; false when
    // there is none.
    bool fireNext()
    {
        while (!m_pending.isEmpty()) {
            Pending next = m_pending.takeFirst();
            if (next.context) {
                next.call();
                return true;
            }
        }
        return false;
    }

private:
    struct Pending
    {
        QPointer<QObject> context;
        std::function<void()> call;
    };
    QList<Pending> m_pending;
    QList<int> m_delays;
};
