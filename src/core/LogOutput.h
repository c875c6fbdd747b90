#pragma once
// Where the log's lines go: the user's journal (syslog where the program was built
// without libsystemd, or the journal cannot be reached), tagged "runebox", or standard
// error instead.

namespace kx {

// Whether the lines go to standard error rather than the journal. Off unless RUNEBOX_LOG
// is set to anything but "" or "0"; runebox --verbose turns it on.
void setLogToStandardError(bool on);
bool logsToStandardError();

// Sends Qt's own messages (its warnings, the categories' debug lines) where the log lines
// go; fatal ones are written to standard error as well, since the program ends with them.
void installLogMessageHandler();

} // namespace kx
