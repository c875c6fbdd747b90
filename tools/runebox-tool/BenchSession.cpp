#include "BenchSession.h"

#include "platform/dbus/AppleEvent.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/dbus/SessionBus.h"
#include "platform/dbus/SingleInstance.h"
#include "platform/x11/X11Session.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <time.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace tool::session {

qint64 monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

QString runeboxPath() {
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {dir + QStringLiteral("/../src/runebox"), dir + QStringLiteral("/runebox")})
        if (QFileInfo(candidate).isExecutable()) return QFileInfo(candidate).canonicalFilePath();
    return {};
}

int runInPrivateSession(const QString& bench, const QStringList& args) {
    const QString session = QStringLiteral(RUNEBOX_SOURCE_RESOURCES "/../tests/x11/x11-session");
    if (!QFileInfo(session).isExecutable()) {
        tool::err() << "bench " << bench << ": no X display, and no " << session << " to make one" << Qt::endl;
        return 2;
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(session, QStringList{QCoreApplication::applicationFilePath(), QStringLiteral("bench"), bench} + args);
    if (!p.waitForFinished(-1)) return 1;
    return p.exitCode();
}

QVariantMap debugState(const QDBusConnection& bus) {
    QDBusMessage m = QDBusMessage::createMethodCall(singleinstance::ServiceName, QStringLiteral("/Debug"),
                                                    QStringLiteral("org.runebox.Debug"), QStringLiteral("State"));
    const QDBusMessage reply = bus.call(m, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return qdbus_cast<QVariantMap>(reply.arguments().first());
}

namespace {
// A screen rectangle the debug interface answers; empty when it answers none.
QRect debugRect(const QDBusConnection& bus, const QString& method, const QVariant& argument) {
    QDBusMessage m = QDBusMessage::createMethodCall(singleinstance::ServiceName, QStringLiteral("/Debug"),
                                                    QStringLiteral("org.runebox.Debug"), method);
    m.setArguments({argument});
    const QDBusMessage reply = bus.call(m, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    const QVariantList r = qdbus_cast<QVariantList>(reply.arguments().first());
    return r.size() == 4 ? QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()) : QRect();
}
} // namespace

QRect controlRect(const QDBusConnection& bus, const QString& name) {
    return debugRect(bus, QStringLiteral("ControlRect"), name);
}

QRect cellRect(const QDBusConnection& bus, char32_t c) { return debugRect(bus, QStringLiteral("CellRect"), uint(c)); }

bool poll(const QDBusConnection& bus, int ms, const std::function<bool(const QVariantMap&)>& done) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        const QVariantMap s = debugState(bus);
        if (!s.isEmpty() && done(s)) return true;
        QThread::msleep(2);
    }
    return false;
}

double residentMiB(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

Timing summary(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms.empty() ? Timing{} : Timing{ms.front(), ms[ms.size() / 2]};
}

bool runQuietly(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void sendURL(const QString& url) {
    appleevent::post(singleinstance::ServiceName, fourcc::make('G', 'U', 'R', 'L'), fourcc::make('G', 'U', 'R', 'L'),
                     {{appleevent::DirectParameter, url}});
}

qint64 pressKey(X11Session& x, unsigned long keysym) {
    const unsigned code = XKeysymToKeycode(x.display(), KeySym(keysym));
    if (code == 0) return 0;
    const qint64 sent = monotonicNs();
    XTestFakeKeyEvent(x.display(), code, True, CurrentTime);
    x.flush();
    XTestFakeKeyEvent(x.display(), code, False, CurrentTime);
    x.flush();
    return sent;
}

bool ready(const char* bench, QString* program) {
    *program = runeboxPath();
    if (program->isEmpty()) {
        tool::err() << "bench " << bench << ": runebox not found beside runebox-tool" << Qt::endl;
        return false;
    }
    const QDBusConnection bus = dbus::sessionBus();
    if (!bus.isConnected()) {
        tool::err() << "bench " << bench << ": no session bus" << Qt::endl;
        return false;
    }
    if (bus.interface()->isServiceRegistered(singleinstance::ServiceName).value()) {
        tool::err() << "bench " << bench << ": quit the running copy of Runebox first" << Qt::endl;
        return false;
    }
    return true;
}

Home::Home() : env_(QProcessEnvironment::systemEnvironment()) {
    env_.insert(QStringLiteral("RUNEBOX_DEBUG_STATE"), QStringLiteral("1"));
    env_.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.path() + QStringLiteral("/config"));
    env_.insert(QStringLiteral("XDG_DATA_HOME"), dir_.path() + QStringLiteral("/data"));
    env_.insert(QStringLiteral("XDG_CACHE_HOME"), dir_.path() + QStringLiteral("/cache"));
}

Launch::Launch(const QString& program, const QProcessEnvironment& env) {
    p_.setProcessEnvironment(env);
    p_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p_.setStandardOutputFile(QProcess::nullDevice());
    startNs_ = monotonicNs();
    p_.start(program, {});
}

qint64 Launch::waitForFirstPaint(const QDBusConnection& bus, int ms) {
    qint64 painted = 0;
    poll(bus, ms, [&](const QVariantMap& s) {
        painted = s.value(QStringLiteral("paintedNs")).toLongLong();
        return painted > 0;
    });
    return painted;
}

void Launch::quit() {
    if (p_.state() == QProcess::NotRunning) return;
    sendURL(QStringLiteral("runebox://quit"));
    if (!p_.waitForFinished(5000)) {
        p_.kill();
        p_.waitForFinished(2000);
    }
}

PaletteBench::PaletteBench(const char* bench, const QStringList& args)
    : bench_(bench), args_(args), bus_(dbus::sessionBus()) {}

X11Session& PaletteBench::x() const { return X11Session::shared(); }

bool PaletteBench::open(const Settings& settings) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        exitCode_ = runInPrivateSession(QString::fromLatin1(bench_), args_);
        return false;
    }
    exitCode_ = 2;
    QString program;
    if (!ready(bench_, &program)) return false;
    if (!x().isAvailable()) {
        tool::err() << "bench " << bench_ << ": no X display" << Qt::endl;
        return false;
    }
    exitCode_ = 1;
    home_.emplace();
    for (const auto& [key, value] : settings)
        if (!runQuietly(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("defaults"), QStringLiteral("write"), singleinstance::ServiceName, key, value},
                        home_->environment())) {
            tool::err() << "bench " << bench_ << ": cannot set " << key << " to " << value << Qt::endl;
            return false;
        }
    launch_ = std::make_unique<Launch>(program, home_->environment());
    if (!launch_->started() || launch_->waitForFirstPaint(bus_) == 0) {
        tool::err() << "bench " << bench_ << ": the palette did not show" << Qt::endl;
        return false;
    }
    exitCode_ = 0;
    return true;
}

} // namespace tool::session
