#pragma once

#include <QMessageBox>

#include <functional>

// Message boxes that do not block: window-modal over `parent`, deleted when
// closed. Their text is plain text, since it may carry an entry's title from
// the server.
namespace OpenBox {
QMessageBox *inform(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text);
// A Yes/No question; `onYes` runs when the user confirms.
QMessageBox *ask(QWidget *parent, const QString &title, const QString &text, std::function<void()> onYes);
} // namespace OpenBox
