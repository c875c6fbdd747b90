#pragma once
// The temporary folders of installations: each download of a new version goes into a
// fresh folder "<tmp>/<executable>-install-XXXXXX" made with mkdtemp (private to the
// user, no race with other users). Only folders of exactly that form, directly in the
// temporary folder, real folders (no symbolic links) and owned by the user are ever
// removed, and their contents are removed without following symbolic links.

#include <QString>

namespace update {

// "<tmp>/<executable>-install-"
QString installFolderPrefix(const QString& tempFolder);
// A fresh folder; "" on failure (logged).
QString makeInstallFolder(const QString& tempFolder);
bool isOwnInstallFolder(const QString& path, const QString& tempFolder);
// Removes the folder when it is one of ours; answers whether it is gone.
bool removeInstallFolder(const QString& path, const QString& tempFolder);
// Removes our folders that hold a folder named `itemName`; answers how many.
int removeInstallationRelics(const QString& itemName, const QString& tempFolder);

} // namespace update
