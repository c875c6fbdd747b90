#pragma once
// The kernel's process table (/proc): identity, start time, CPU time and state of a
// process. Everything is read fresh; missing or unreadable entries give nothing.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace kx::proc {

struct Stat {
    int pid = 0;
    QString comm;          // the kernel's name of the process (at most 15 bytes)
    char state = '?';      // R, S, D, Z (zombie), X (dead), T, ...
    int ppid = 0;
    quint64 utime = 0;     // user CPU time, clock ticks
    quint64 stime = 0;     // system CPU time, clock ticks
    quint64 startTime = 0; // clock ticks after boot; with the pid, names one process for good
};

// Parses the text of /proc/<pid>/stat (the name may hold spaces and parentheses).
std::optional<Stat> parseStat(const QByteArray& text);
std::optional<Stat> readStat(int pid);

// True while the process runs: it exists, is no zombie, and (when `startTime` is not 0)
// is still the process that started then, not a later one with the same pid.
bool isRunning(int pid, quint64 startTime = 0);

// The executable's path ("" when not readable, e.g. another user's process).
QString executablePath(int pid);
QStringList commandLine(int pid);
// One variable of the process's environment (own processes only).
std::optional<QByteArray> environmentValue(int pid, const QByteArray& name);
uint ownerUid(int pid, bool* ok = nullptr);

// Clock ticks per second and the boot time, for turning ticks into times.
long clockTicksPerSecond();
QDateTime startDate(quint64 startTime);
double ticksToSeconds(quint64 ticks);

// The ids of every process, ascending.
QList<int> allPids();

// The name a person knows the program by: the executable's file name, unless the
// kernel's name is not a prefix of it (a script started through its interpreter: the
// kernel names it after the script); without a readable executable the kernel's name.
QString programName(const QString& executablePath, const QString& comm);

} // namespace kx::proc
