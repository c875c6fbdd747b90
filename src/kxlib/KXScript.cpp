#include "kxlib/KXScript.h"

#include "core/Bundle.h"
#include "core/Log.h"
#include "core/PathInFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cmath>

KXScript KXScript::bundleScript(const QString& name) {
    // The name comes from the per-application settings, which a link can write.
    const kx::PathInFolder inside = kx::pathInFolder(kx::Bundle::mainBundle().resourcePath(), name + QStringLiteral(".sh"));
    if (!inside) {
        kx::log(QStringLiteral("*** Bundle script refused: %1").arg(inside.refusal));
        return KXScript();
    }
    const QString path = kx::Bundle::mainBundle().pathForResource(name, QStringLiteral("sh"));
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        kx::log(QStringLiteral("*** Bundle script \"%1\" missing.").arg(name));
        return KXScript();
    }
    return KXScript(path);
}

QString KXScript::runBundleScript(const QString& name, const QStringList& arguments) {
    KXScript script = bundleScript(name);
    return script.isValid() ? script.run(arguments) : QString();
}

KXScript::KXScript(const QString& path) {
    const QFileInfo info(path);
    if (info.isFile() && info.isReadable()) path_ = info.absoluteFilePath();
}

QString KXScript::source() const {
    QFile f(path_);
    if (path_.isEmpty() || !f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.readAll());
}

QString KXScript::run(const QStringList& arguments) {
    error_.clear();
    if (!isValid()) {
        error_ = QStringLiteral("no script");
        return QString();
    }
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.setWorkingDirectory(QDir::homePath());
    p.start(QStringLiteral("/bin/sh"), QStringList{path_} + arguments);
    if (!p.waitForStarted(5000)) {
        error_ = p.errorString();
        kx::log(QStringLiteral("script %1 failed: %2").arg(QFileInfo(path_).fileName(), error_));
        return QString();
    }
    const int ms = timeout_ > 0 ? static_cast<int>(std::ceil(std::min(timeout_, 86400.0) * 1000)) : 1;
    if (!p.waitForFinished(ms)) {
        kx::log(QStringLiteral("script timeout: %1 %2").arg(QFileInfo(path_).fileName(), arguments.join(u' ')));
        p.terminate();
        if (!p.waitForFinished(1000)) {
            p.kill();
            p.waitForFinished(1000);
        }
        error_ = QStringLiteral("timed out");
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    const QString output = QString::fromUtf8(p.readAllStandardOutput());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        const QString err = QString::fromUtf8(p.readAllStandardError()).trimmed();
        error_ = p.exitStatus() != QProcess::NormalExit ? QStringLiteral("crashed")
                                                        : QStringLiteral("exit status %1").arg(p.exitCode());
        if (!err.isEmpty()) error_ += QStringLiteral(": ") + err;
    }
    return output;
}

QString KXScript::runHandler(const QString& handler, const QStringList& parameters) {
    return run(QStringList{handler} + parameters);
}
