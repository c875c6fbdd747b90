#pragma once
// The command line of the runebox program: URLs of its own scheme, handed to the copy
// that runs (or dispatched by this one), and the options --help (-h), --version and
// --verbose. Anything else is an error.

#include <QString>
#include <QStringList>

namespace commandline {

enum class Request { Run, Help, Version };

// --help or --version among the raw arguments: answered before the toolkit starts, so
// that they need no display. The first of them counts.
Request request(int argc, const char* const* argv);

// --verbose among the raw arguments: the log goes to standard error.
bool verbose(int argc, const char* const* argv);

// The raw arguments without the program's name and without the toolkit's own options
// (-display NAME, -platform NAME, -style=NAME, ...) and their values, so that they can be
// checked with `errors` before the toolkit starts and needs a display.
QStringList withoutToolkitOptions(int argc, const char* const* argv);

// The toolkit's -display option among the raw arguments.
bool namesDisplay(int argc, const char* const* argv);

QString usage();
// "Runebox 1.0 (100)": the bundle's version and build.
QString version();

// What is wrong with the arguments the toolkit left (it takes its own, such as -display):
// one line for each argument that is neither a URL of the schemes nor an option of ours;
// empty when all is well.
QStringList errors(const QStringList& arguments, const QStringList& schemes);

// The arguments with each shape file ("*.rbxshape", a path or a file: URL) turned into the
// URL command that opens it in the shape finder (runebox://open?sheet=shape&file=PATH),
// so that a second start hands it to the running copy like any URL.
QStringList withShapeFilesAsUrls(const QStringList& arguments);

} // namespace commandline
