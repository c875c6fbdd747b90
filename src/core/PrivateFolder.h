#pragma once
// Folders of this user's own (mode 0700) for short-lived files that may hold what the
// user copied or typed: result pages, listings. They lie in $XDG_RUNTIME_DIR, which the
// system empties at logout; files of earlier days are removed as new ones are made.

#include <QString>
#include <QStringList>

namespace kx {

// <$XDG_RUNTIME_DIR>/<name>, made 0700 when missing and used only when it is a real
// folder of this user's with no access for others. Without one: a new private folder
// in the temporary folder, removed when the process ends. "" when neither can be made.
QString privateFolder(const QString& name);

// Removes the files of `folder` matching `patterns` that were last changed more than
// `seconds` ago.
void removeFilesOlderThan(const QString& folder, const QStringList& patterns, qint64 seconds);

} // namespace kx
