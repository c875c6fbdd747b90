// runebox-tool: maintenance commands over the same libraries as the palette.

#include "ToolCommand.h"
#include "ToolModel.h"

#include "core/KXUserFileAccess.h"
#include "core/Log.h"
#include "core/LogOutput.h"
#include "core/ProcessWide.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstring>
#include <map>
#include <string>

namespace tool {
namespace {
struct Entry { std::string usage; CommandFn fn; };
std::map<std::string, Entry>& commands() { static std::map<std::string, Entry> c; return c; }
} // namespace

bool registerCommand(const char* name, const char* usageText, CommandFn fn) {
    commands()[name] = Entry{usageText, fn};
    return true;
}

QTextStream& out() { static QTextStream s(stdout); return s; }
QTextStream& err() { static QTextStream s(stderr); return s; }

int usage(const char* name) {
    auto it = commands().find(name);
    if (it != commands().end()) err() << "usage: runebox-tool " << it->second.usage.c_str() << Qt::endl;
    return 2;
}

} // namespace tool

// The commands' usage, on standard output when asked for (--help), else on standard error.
static int listCommands(QTextStream& to, int status) {
    to << "usage: runebox-tool COMMAND [ARGS...]\ncommands:\n";
    for (const auto& [name, e] : tool::commands()) to << "  " << e.usage.c_str() << "\n";
    to.flush();
    return status;
}

int main(int argc, char** argv) {
    // Answered before anything starts: it needs no display.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))
        return listCommands(tool::out(), 0);
    // The commands are run from a terminal: their log lines belong with their output.
    kx::setLogToStandardError(true);
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION")) qputenv("QT_XCB_GL_INTEGRATION", "none");
    // Commands that draw need a GUI application; without a display they draw offscreen.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Runebox"));
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) return listCommands(tool::err(), 2);
    const std::string name = args.takeFirst().toStdString();
    auto it = tool::commands().find(name);
    if (it == tool::commands().end()) return listCommands(tool::err(), 2);
    // The tool reads the user's settings, layouts and names as the palette would, and
    // leaves them as they are (`defaults write` writes the settings file itself).
    kx::ProcessWide<KXUserFileAccess>::install(std::make_unique<KXUserFileAccess>(KXUserFileAccess::Mode::ReadOnly));
    tool::installModelServices();
    const int rc = it->second.fn(args);
    tool::out().flush();
    tool::err().flush();
    return rc;
}
