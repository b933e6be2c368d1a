#pragma once

#include <QMessageBox>

// Short non-modal notices that close themselves.
namespace Notice {
QMessageBox *show(QMessageBox::Icon icon, const QString &title, const QString &text, int hideAfterMs);
// Keeps the event loop turning for ms milliseconds (notices stay visible).
void processEventsFor(int ms);
} // namespace Notice
