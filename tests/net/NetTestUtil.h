#pragma once

#include "net/ErrorCode.h"
#include "net/Result.h"
#include "net/ServerTO.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// What a callback received, for checking that it was called exactly once.
struct Outcomes
{
    int calls = 0;
    QList<ErrorCode> codes;
    QStringList messages;

    ErrorCode lastCode() const { return codes.isEmpty() ? ERR_INTERNAL : codes.last(); }
    QString lastMessage() const { return messages.value(messages.size() - 1); }
};

template<typename T>
Callback<T> recordInto(const std::shared_ptr<Outcomes> &outcomes, T *value = nullptr)
{
    return [outcomes, value](const Result<T> &r) {
        ++outcomes->calls;
        outcomes->codes << r.code;
        outcomes->messages << r.message;
        if (value && r.isOk())
            *value = r.value;
    };
}

inline ServerTO testServer(const QString &url)
{
    return ServerTO{QStringLiteral("TEST"), QStringLiteral("Test"), QStringLiteral("TEST"), url, true};
}
