#pragma once

#include <QString>

// The questions and notices of setting up a sync folder. The desktop
// answers them with message boxes; tests answer them directly.
class ISetupPrompts
{
public:
    enum class Notice { Information, Warning };

    virtual ~ISetupPrompts() = default;
    // A yes/no question; true for yes.
    virtual bool ask(const QString &title, const QString &text) = 0;
    virtual void tell(Notice kind, const QString &title, const QString &text) = 0;
};
