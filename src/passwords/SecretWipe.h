#pragma once

#include <QByteArray>
#include <QString>

// Overwrites clear-text secrets before their memory is released. Qt shares
// string buffers implicitly: a buffer that another string still holds is
// left to that holder (overwriting it would change the other string), and
// only this reference is dropped. Callers keep a secret in one unshared
// string so that the wipe reaches it.
namespace SecretWipe {
void wipe(QString &text);
void wipe(QByteArray &bytes);
} // namespace SecretWipe
