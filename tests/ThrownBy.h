#pragma once

#include <QString>

#include <functional>
#include <stdexcept>

// What a throwing helper said, or the empty text when it returned normally.
inline QString thrownBy(const std::function<void()> &f)
{
    try {
        f();
    } catch (const std::runtime_error &e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}
