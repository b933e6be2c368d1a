#pragma once

#include <QString>

// The client's own files hold secrets or lead to them (the settings keep
// the proxy password under a key built into every copy of the client, the
// database and the log name accounts and paths), so only their user may
// read them: files 0600, folders 0700. Files made by earlier versions with
// the default modes are tightened when the client starts.
namespace PrivateFiles {

// Creates the folder and any missing folders above it as 0700, and makes
// the folder itself 0700. False when it cannot be made.
bool makeFolder(const QString &path);

// Creates the file as 0600 when it is missing, or takes group and other
// permissions away from an existing one (a file of another owner, or a
// link, is left alone). False when neither worked.
bool makeFile(const QString &path);

// Takes group and other permissions away from the file or folder if it
// exists; folders keep their own user's rights.
void tighten(const QString &path);

} // namespace PrivateFiles
