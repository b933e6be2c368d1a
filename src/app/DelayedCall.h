#pragma once

#include <QObject>

#include <functional>

// Calls something after a delay. Classes whose behaviour is a schedule (the
// watchdog's back-off, the daemon's restart delays) take one of these, so a
// test can read the delays they ask for and fire the calls itself instead
// of waiting for hours.
struct DelayedCall
{
    // Call `call` after `ms` milliseconds unless `context` is gone by then.
    using Schedule = std::function<void(int ms, QObject *context, std::function<void()> call)>;

    // A single-shot Qt timer.
    static Schedule timer();
};
