#pragma once

#include "sync/ISetupPrompts.h"

class QWidget;

// The set-up's questions as message boxes over a parent widget.
class MessageBoxPrompts : public ISetupPrompts
{
public:
    explicit MessageBoxPrompts(QWidget *parent)
        : m_parent(parent)
    {
    }
    bool ask(const QString &title, const QString &text) override;
    void tell(Notice kind, const QString &title, const QString &text) override;

private:
    QWidget *m_parent;
};
