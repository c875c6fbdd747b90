#pragma once
// The programs the end-to-end tests start: runebox and runebox-tool of the build tree,
// and a runner for them and any other program (xdotool, ...).
#include "common/TestEnvironment.h"

#include <QString>
#include <QStringList>

namespace x11test {

inline const QString Runebox = QStringLiteral(RUNEBOX_BINARY_DIR "/src/runebox");
inline const QString Tool = QStringLiteral(RUNEBOX_BINARY_DIR "/tools/runebox-tool");
inline const QString Installer = QStringLiteral(RUNEBOX_BINARY_DIR "/src/runebox-installer");

// Runs a program to its end (30 s at most) and answers its exit code, -1 when it failed;
// its output and errors go to `output`.
inline int run(const QString& program, const QStringList& args, QString* output = nullptr) {
    const rbxtest::ProgramRun r = rbxtest::runProgram(program, args, rbxtest::Channels::Merged, 30000);
    if (output) *output = r.out;
    return r.code;
}

} // namespace x11test
