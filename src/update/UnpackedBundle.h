#pragma once
// What a downloaded copy must be before it is started. The archive holds one folder
// "<Name>.app" laid out as an installation: "bin/<executable>" and
// "share/runebox/Info.plist" (the bundle's data, with its CFBundleExecutable and
// CFBundleVersion). Its entries are checked while it is unpacked (ArchiveUnpacker.h);
// after unpacking: no symbolic link anywhere, the bundle's executable is this
// program's, a regular executable file, and its version is the one offered.
// Each check answers "" when it passes, else the reason (for the log).

#include <QString>

namespace update {

QString checkUnpackedBundle(const QString& bundle, const QString& expectedVersion);
// "<bundle>/bin/<CFBundleExecutable>"
QString bundleExecutable(const QString& bundle);
// The lower-case hex SHA-256 of a file ("" when unreadable).
QString sha256OfFile(const QString& path);
// The user may replace the installation at `location` (the folder and its "bin" when it
// has one, and the folder that holds it when it is replaced as a whole).
bool canInstallInto(const QString& location);
// The installation the running program belongs to: the folder above its "bin", else the
// program's folder (a build tree).
QString runningInstallation();

} // namespace update
