#pragma once
// One logger for the whole system: fixed English lines to standard error (the journal
// when started by the desktop). Tests can capture the lines.

#include <QString>
#include <QStringList>
#include <functional>

namespace kx {

// Writes one line.
void log(const QString& line);

// Writes one line when the boolean setting that switches a trace is on. The check is
// done by the caller (the settings store sits above this layer); this only prefixes
// nothing and exists so traces read alike.
inline void trace(bool on, const QString& line) { if (on) log(line); }

// Receives every logged line while installed (the lines still go to standard error
// unless `quiet`). Used by tests to check what a failure logged.
class LogCapture {
public:
    explicit LogCapture(bool quiet = true);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
    bool contains(const QString& part) const;
    void clear();

    struct Impl;

private:
    Impl* d;
};

} // namespace kx
