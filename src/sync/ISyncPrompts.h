#pragma once

#include <QString>

// The questions the sync engine has to ask the user. The desktop answers
// them with message boxes, korvexcmd on the terminal, tests directly.
class ISyncPrompts
{
public:
    virtual ~ISyncPrompts() = default;
    // A run is about to delete `count` files of the safe on the server;
    // true to go on.
    virtual bool promptForTooManyFilesDeleted(const QString &safeName, int count) = 0;
    // The user wants to quit while a sync runs; true to quit (the sync is
    // stopped).
    virtual bool promptForQuitDuringSync() = 0;
};
