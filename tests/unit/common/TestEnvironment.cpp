#include "common/TestEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

namespace rbxtest {

namespace {
// Removed with everything in it when the test process ends.
std::unique_ptr<QTemporaryDir>& home() { static std::unique_ptr<QTemporaryDir> d; return d; }
}

void setUpPrivateHome() {
    if (home()) return;
    home() = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/runebox-test-XXXXXX"));
    const QString h = home()->path();
    QDir().mkpath(h + QStringLiteral("/config"));
    QDir().mkpath(h + QStringLiteral("/data"));
    QDir().mkpath(h + QStringLiteral("/cache"));
    QDir().mkpath(h + QStringLiteral("/runtime"));
    QFile::setPermissions(h + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", h.toUtf8());
    qputenv("XDG_CONFIG_HOME", (h + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (h + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CACHE_HOME", (h + QStringLiteral("/cache")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", (h + QStringLiteral("/runtime")).toUtf8());
    qputenv("XDG_CONFIG_DIRS", (h + QStringLiteral("/etc-xdg")).toUtf8());
    if (qEnvironmentVariableIsEmpty("RUNEBOX_RESOURCES"))
        qputenv("RUNEBOX_RESOURCES", RUNEBOX_SOURCE_RESOURCES);
}

QString privateHome() { return home() ? home()->path() : QString(); }

QString testData(const QString& relative) {
    return QStringLiteral(RUNEBOX_TEST_DATA) + QLatin1Char('/') + relative;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

void spinEventLoop(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

ProgramRun runProgram(const QString& program, const QStringList& args, Channels channels, int timeoutMs) {
    QProcess p;
    if (channels == Channels::Merged) p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
    } else if (p.exitStatus() == QProcess::NormalExit) {
        r.code = p.exitCode();
    }
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace rbxtest
