#pragma once
// Replacing an installed copy by a new one, all or nothing. An installation that can be
// replaced is a folder of its own named "<Name>.app" (never a shared prefix such as
// ~/.local or /usr/local, which holds other programs too) laid out as a downloaded copy:
// "bin/<executable>" and "share/runebox/Info.plist" naming this program.
//
// The new copy is copied into a fresh folder beside the installation (same file system),
// checked there, and then swapped with the installation in one step (renameat2 with
// RENAME_EXCHANGE; where the file system cannot, two renames, the first undone when the
// second fails). Until that step the installation is untouched; after it the old copy is
// removed. Symbolic links and special files in the new copy are refused.

#include <QString>

namespace update {

// "" when `location` is an installation that replaceBundle may replace, else why not.
QString checkReplaceableInstallation(const QString& location);

// Replaces `target` by a copy of `source`; "" on success, else what failed (the
// installation is then as it was, and nothing of the copy is left beside it).
QString replaceBundle(const QString& source, const QString& target, const QString& expectedVersion);

} // namespace update
