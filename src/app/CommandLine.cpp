#include "app/CommandLine.h"

#include <QFileInfo>
#include <QUrl>

#include "core/Bundle.h"
#include "kxlib/KXAppInstance.h"

#include <cstring>

namespace commandline {

namespace {

bool isHelp(const char* a) { return std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0; }
bool isVersion(const char* a) { return std::strcmp(a, "--version") == 0; }
bool isVerbose(const QString& a) { return a == QLatin1String("--verbose"); }

// The options Qt's application and its X11 platform take from the command line, with one
// dash or two; those of the first list take the next argument as their value.
constexpr const char* ToolkitOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "session", "qwindowgeometry", "geometry",
    "qwindowtitle", "title", "qwindowicon", "icon", "style", "stylesheet", "display", "name", "visual", "ncols",
    "dialogs", "qmljsdebugger"};
constexpr const char* ToolkitOptionsAlone[] = {"reverse", "testability", "widgetcount", "nograb", "dograb", "sync", "cmap"};

bool inList(const QString& name, const auto& list) {
    for (const char* o : list)
        if (name == QLatin1String(o)) return true;
    return false;
}

} // namespace

Request request(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (isHelp(argv[i])) return Request::Help;
        if (isVersion(argv[i])) return Request::Version;
    }
    return Request::Run;
}

bool verbose(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i)
        if (isVerbose(QString::fromLocal8Bit(argv[i]))) return true;
    return false;
}

QStringList withoutToolkitOptions(int argc, const char* const* argv) {
    QStringList out;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (!a.startsWith(QLatin1Char('-')) || a.size() < 2) {
            out << a;
            continue;
        }
        QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (equals > 0) {
            if (inList(name.left(equals), ToolkitOptionsWithValue)) continue;
        } else if (inList(name, ToolkitOptionsWithValue)) {
            ++i;  // its value
            continue;
        } else if (inList(name, ToolkitOptionsAlone)) {
            continue;
        }
        out << a;
    }
    return out;
}

bool namesDisplay(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-display") == 0 || std::strcmp(argv[i], "--display") == 0 ||
            std::strncmp(argv[i], "-display=", 9) == 0 || std::strncmp(argv[i], "--display=", 10) == 0)
            return true;
    return false;
}

QString usage() {
    return QStringLiteral(
        "usage: runebox [--verbose] [RUNEBOX-URL...]\n"
        "Starts the character palette. While it runs, a second start hands the URLs to it\n"
        "(runebox://open, runebox://pref?KEY=VALUE, ...) and reports any it refuses.\n"
        "  -h, --help     show this text\n"
        "  --version      show the version\n"
        "  --verbose      write the log on standard error instead of the journal\n"
        "                 (as RUNEBOX_LOG=1 does)\n");
}

QString version() {
    const kx::Bundle& bundle = kx::Bundle::mainBundle();
    // As About shows it: the version and the build number.
    return QStringLiteral("%1 %2 (%3)").arg(bundle.bundleName(), bundle.shortVersionString()).arg(bundle.buildNumber());
}

QStringList errors(const QStringList& arguments, const QStringList& schemes) {
    const QStringList urls = kx::urlArguments(arguments, schemes);
    QStringList out;
    for (const QString& a : arguments) {
        if (urls.contains(a) || isVerbose(a)) continue;
        if (a.startsWith(QLatin1Char('-')))
            out << QStringLiteral("unknown option %1").arg(a);
        else
            out << QStringLiteral("neither an option nor a runebox URL: %1").arg(a.left(100));
    }
    return out;
}

QStringList withShapeFilesAsUrls(const QStringList& arguments) {
    QStringList out;
    for (const QString& a : arguments) {
        const QUrl url(a);
        const bool fileUrl = url.isLocalFile();
        if (a.startsWith(QLatin1Char('-')) || !a.endsWith(QLatin1String(".rbxshape"), Qt::CaseInsensitive) ||
            (!fileUrl && a.contains(QLatin1String("://")))) {
            out << a;
            continue;
        }
        const QString path = QFileInfo(fileUrl ? url.toLocalFile() : a).absoluteFilePath();
        out << QStringLiteral("runebox://open?sheet=shape&file=") + QString::fromLatin1(QUrl::toPercentEncoding(path));
    }
    return out;
}

} // namespace commandline
