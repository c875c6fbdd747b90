#pragma once
// Logging. Every layer has its logging category ("runebox.core", "runebox.platform",
// "runebox.kxlib", "runebox.model", "runebox.table", "runebox.insertion", "runebox.app";
// "runebox" for the programs and tools around them), so QT_LOGGING_RULES can switch a
// layer's output off or its debug messages on.
//
// `kx::log` writes the system's fixed English lines in the category of the layer whose
// code calls it (RBX_LOG_LAYER, with which each library is compiled, names the layer), to
// the user's journal or, with --verbose or RUNEBOX_LOG=1, to standard error as "runebox:
// <line>" (see LogOutput.h). Tests can capture the lines.
//
// Other diagnostics use Qt's macros with the layer's category:
//   qCDebug(kx::layerCategory) << ...;

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

namespace kx {

enum class LogLayer { General, Core, Platform, Kxlib, Model, Table, Insertion, Shapes, Update, App };

const QLoggingCategory& logCategory(LogLayer layer);

// Writes one line in `category` unless its info messages are off.
void writeLog(const QLoggingCategory& category, const QString& line);

#ifndef RBX_LOG_LAYER
#define RBX_LOG_LAYER General
#endif

namespace {
// The category of the layer that this file belongs to.
inline const QLoggingCategory& layerCategory() { return logCategory(LogLayer::RBX_LOG_LAYER); }
// Writes one line in the layer's category.
inline void log(const QString& line) { writeLog(layerCategory(), line); }
} // namespace

// Writes one line when the boolean setting that switches a trace is on. The check is
// done by the caller (the settings store sits above this layer); this only prefixes
// nothing and exists so traces read alike.
inline void trace(bool on, const QString& line) { if (on) log(line); }

// Receives every logged line while installed (the lines still go to the journal or
// standard error unless `quiet`). Used by tests to check what a failure logged.
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
