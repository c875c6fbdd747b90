#pragma once
// Shared between the layout registry and the upkeep of the user's layout files.

#include <QString>
#include <QStringList>

namespace rbx::layouts {

// The layout files of a folder: names ending in ".txt" that do not begin with "." or
// "-", sorted ignoring case with numbers compared by value.
QStringList layoutFileNames(const QString& folder);
// Forgets the bundle's layout updates (read again on next need).
void resetFileState();

} // namespace rbx::layouts
