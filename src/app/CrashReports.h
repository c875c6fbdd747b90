#pragma once
// Crash reports of our own: a handler for SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT
// writes "Runebox_<date>.crash" (the signal and a backtrace) into the crash folder,
// $XDG_STATE_HOME/runebox/crashes (~/.local/state/runebox/crashes without it), and the
// process then ends by the signal as it would have. The folder is opened when the handler
// is installed and the report is created inside that open folder only, as a new file
// that no link leads elsewhere from; the handler writes nowhere else.

#include <QString>
#include <QStringList>

namespace crashreports {

// The crash folder for the environment as it is now.
QString folder();
// Makes the folder, opens it and installs the handlers; false when the folder cannot be
// made (then no handler is installed).
bool install();
// The reports in the folder: the names that begin with "Runebox_", sorted by name (so
// oldest first), without their folder.
QStringList reports(const QString& folder);
// "no crashes", "one crash: <name>" or "<n> crashes: <first> - <last>", each name
// without its "Runebox_" prefix and its extension.
QString crashLine(const QStringList& reports);

} // namespace crashreports
