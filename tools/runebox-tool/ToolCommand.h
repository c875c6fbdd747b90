#pragma once
// Subcommands of runebox-tool register themselves with one line:
//   RBX_TOOL_COMMAND(defaults, "defaults read|write|delete DOMAIN KEY [VALUE]", runDefaults)
// and return the process exit code (0 success, 1 failure, 2 usage).

#include <QStringList>
#include <QTextStream>

namespace tool {

using CommandFn = int (*)(const QStringList& args);

bool registerCommand(const char* name, const char* usage, CommandFn fn);

QTextStream& out();
QTextStream& err();

// Prints the usage line of a command to standard error and returns 2.
int usage(const char* name);

} // namespace tool

#define RBX_TOOL_COMMAND(ident, usageText, fn) \
    static const bool rbx_tool_registered_##ident = ::tool::registerCommand(#ident, usageText, fn)
