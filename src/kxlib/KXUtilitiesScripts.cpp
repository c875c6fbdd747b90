// Helper programs: scripts with time-outs, command output, opening files. Programs are
// always started with argument lists; no command text is handed to a shell.

#include "kxlib/KXUtilities.h"

#include "core/Log.h"
#include "core/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>
#include <cmath>

namespace {

int toMilliseconds(double seconds) {
    if (!(seconds > 0)) return 0;
    return seconds > 86400 ? 86400 * 1000 : static_cast<int>(std::ceil(seconds * 1000));
}

// Ends a process that overstayed: SIGTERM, then SIGKILL when it does not go.
void endProcess(QProcess& p) {
    p.terminate();
    if (!p.waitForFinished(1000)) {
        p.kill();
        p.waitForFinished(1000);
    }
}

QString expandTilde(const QString& path) {
    if (path == u'~') return QDir::homePath();
    if (path.startsWith(QLatin1String("~/"))) return QDir::homePath() + path.mid(1);
    return path;
}

} // namespace

QString KXUtilities::runShellScript(const QString& path, const QStringList& parameters, double timeoutSeconds) {
    const QString script = expandTilde(path);
    const QString name = QFileInfo(script).fileName();
    QTemporaryFile output(kx::privateFolder(QStringLiteral("runebox-scripts")) + QStringLiteral("/output-XXXXXX"));
    if (!output.open()) {
        return QStringLiteral("script %1 failed: %2").arg(name, output.errorString());
    }
    output.close();

    QProcess p;
    p.setProgram(script);
    p.setArguments(parameters);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setStandardOutputFile(output.fileName());
    p.setWorkingDirectory(QDir::homePath());
    p.start();
    if (!p.waitForStarted(5000)) {
        const QString reason = p.errorString();
        return QStringLiteral("script %1 failed: %2").arg(name, reason);
    }
    if (!p.waitForFinished(std::max(1, toMilliseconds(timeoutSeconds)))) {
        kx::log(QStringLiteral("script timeout: %1 %2").arg(name, parameters.join(u' ')));
        endProcess(p);
    }
    QFile result(output.fileName());
    if (!result.open(QIODevice::ReadOnly)) {
        kx::log(QStringLiteral("error getting result: %1").arg(result.errorString()));
        return QString();
    }
    return QString::fromUtf8(result.readAll());
}

QString KXUtilities::shellCommandResult(const QString& program, const QStringList& arguments, double timeoutSeconds) {
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, arguments);
    if (!p.waitForStarted(5000)) return QString();
    if (!p.waitForFinished(std::max(1, toMilliseconds(timeoutSeconds)))) {
        kx::log(QStringLiteral("command timeout: %1 %2").arg(program, arguments.join(u' ')));
        endProcess(p);
        return QString();
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool KXUtilities::openFile(const QString& path) {
    if (path.isEmpty()) return false;
    // "--" is not understood by xdg-open; a path that starts with "-" is made relative.
    const QString target = path.startsWith(u'-') ? QStringLiteral("./") + path : path;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {target});
}
