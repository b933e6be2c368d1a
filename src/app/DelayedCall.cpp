#include "app/DelayedCall.h"

#include <QTimer>

DelayedCall::Schedule DelayedCall::timer()
{
    return [](int ms, QObject *context, std::function<void()> call) {
        QTimer::singleShot(ms, context, std::move(call));
    };
}
