#include "ui/MessageBoxPrompts.h"

#include <QMessageBox>

bool MessageBoxPrompts::ask(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxPrompts::tell(Notice kind, const QString &title, const QString &text)
{
    QMessageBox box(kind == Notice::Warning ? QMessageBox::Warning : QMessageBox::Information, title, text,
                    QMessageBox::Ok, m_parent);
    box.exec();
}
