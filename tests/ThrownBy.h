#pragma once

#include <QString>

#include <functional>
#include <exception>

// What a throwing helper said, or the empty text when it returned normally.
inline QString thrownBy(const std::function<void()> &f)
{
    try {
        f();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}
