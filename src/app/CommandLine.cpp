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

} // namespace

Request request(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (isHelp(argv[i])) return Request::Help;
        if (isVersion(argv[i])) return Request::Version;
    }
    return Request::Run;
}

QString usage() {
    return QStringLiteral(
        "usage: runebox [RUNEBOX-URL...]\n"
        "Starts the character palette. While it runs, a second start hands the URLs to it\n"
        "(runebox://open, runebox://pref?KEY=VALUE, ...) and reports any it refuses.\n"
        "  -h, --help     show this text\n"
        "  --version      show the version\n");
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
        if (urls.contains(a)) continue;
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
