#pragma once

#include "net/ErrorCode.h"

#include <QMetaType>
#include <QString>

#include <functional>
#include <utility>

// The payload of operations whose reply carries no data.
struct Nothing
{
};
Q_DECLARE_METATYPE(Nothing)

// The outcome of one server operation, handed to its callback exactly once.
// `value` is meaningful only when isOk(); on failure `code` and `message`
// say what went wrong (the message is meant for logs and error dialogs).
template<typename T>
struct Result
{
    ErrorCode code = ERR_NONE;
    QString message;
    T value{};

    Result() = default;
    Result(ErrorCode errorCode, QString errorMessage)
        : code(errorCode)
        , message(std::move(errorMessage))
    {
    }

    static Result success(T v)
    {
        Result r;
        r.value = std::move(v);
        return r;
    }

    bool isOk() const { return code == ERR_NONE; }
};

using EmptyResult = Result<Nothing>;
Q_DECLARE_METATYPE(EmptyResult)

// What every remote operation takes as its completion.
template<typename T>
using Callback = std::function<void(const Result<T> &)>;
