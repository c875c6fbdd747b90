#include "app/QuitOtherCopies.h"

#include "kxlib/KXProcess.h"
#include "kxlib/ProcFs.h"
#include "core/Log.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/dbus/SignatureNames.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <unistd.h>

namespace quitother {

Mode parseMode(const QString& setting) {
    const QString m = setting.toLower();
    if (m == QLatin1String("quit")) return Mode::Quit;
    if (m == QLatin1String("kill")) return Mode::Kill;
    if (m == QLatin1String("killquit")) return Mode::KillQuit;
    return Mode::QuitKill;
}

QString modeName(Mode mode) {
    switch (mode) {
    case Mode::Quit: return QStringLiteral("quit");
    case Mode::Kill: return QStringLiteral("kill");
    case Mode::KillQuit: return QStringLiteral("killquit");
    case Mode::QuitKill: break;
    }
    return QStringLiteral("quitkill");
}

bool isOtherCopy(const ProcessFacts& process, const ProcessFacts& self) {
    if (process.pid <= 0 || process.pid == self.pid) return false;
    if (process.uid != self.uid) return false;
    if (process.display != self.display) return false;
    if (process.startTime >= self.startTime || process.onOurBus) return false;
    return process.ownsOurSignature || (!process.programName.isEmpty() && process.programName == self.programName);
}

void apply(Mode mode, OtherCopy& copy) {
    const QString name = modeName(mode);
    kx::log(QStringLiteral("Quit other copy of Runebox (%1)").arg(name));
    if (name.startsWith(QLatin1String("quit"))) copy.quit();
    if (mode != Mode::Quit && copy.isRunning()) {
        kx::log(QStringLiteral("Force-quitting other copy of Runebox"));
        copy.forceQuit();
    }
    if (mode == Mode::KillQuit && copy.isRunning()) copy.quit();
}

namespace {

// The file name of a process's executable, read straight from /proc (this runs over every
// process at start-up, so without anything slower than one system call).
QByteArray programOf(int pid) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%d/exe", pid);
    char target[4096];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n <= 0) return {};
    QByteArray path(target, n);
    if (path.endsWith(" (deleted)")) path.chop(10);
    const qsizetype slash = path.lastIndexOf('/');
    return slash >= 0 ? path.mid(slash + 1) : path;
}

// The numeric entries of /proc (another user's executable cannot be read, so those drop
// out at the first look).
QList<int> allPids() {
    QList<int> pids;
    DIR* dir = ::opendir("/proc");
    if (!dir) return pids;
    while (const dirent* e = ::readdir(dir)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (pid > 0 && *end == '\0') pids << int(pid);
    }
    ::closedir(dir);
    return pids;
}

ProcessFacts factsOf(int pid, const QSet<int>& signatureOwners) {
    ProcessFacts f;
    f.pid = pid;
    bool ok = false;
    f.uid = kx::proc::ownerUid(pid, &ok);
    if (!ok) f.uid = uint(-1);
    f.programName = QFileInfo(kx::proc::executablePath(pid)).fileName();
    f.ownsOurSignature = signatureOwners.contains(pid);
    f.display = kx::proc::environmentValue(pid, QByteArrayLiteral("DISPLAY")).value_or(QByteArray());
    if (const auto st = kx::proc::readStat(pid)) f.startTime = st->startTime;
    return f;
}

// A running process of another copy.
class RunningCopy : public OtherCopy {
public:
    explicit RunningCopy(KXProcess::Ptr process) : process_(std::move(process)) {}
    void quit() override { process_->quitRunningApplicationWithTimeout(2.0); }
    void forceQuit() override { process_->forceQuit(); }
    bool isRunning() override { return process_->isStillRunning(); }

private:
    KXProcess::Ptr process_;
};

} // namespace

int quitOtherRunebox(Mode mode) {
    QSet<int> owners;
    for (const quint32 sig : {fourcc::make('R', 'B', '-', 'X'), fourcc::make('R', 'B', '-', '3')})
        if (const uint pid = appleevent::signatureOwnerPid(sig)) owners.insert(int(pid));

    ProcessFacts self;
    self.pid = int(::getpid());
    self.uid = uint(::getuid());
    self.programName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    self.display = qgetenv("DISPLAY");
    if (const auto st = kx::proc::readStat(self.pid)) self.startTime = st->startTime;

    const QByteArray ownProgram = self.programName.toLocal8Bit();
    int found = 0;
    for (const int pid : allPids()) {
        if (pid == self.pid) continue;
        if (!owners.contains(pid) && programOf(pid) != ownProgram) continue;
        ProcessFacts facts = factsOf(pid, owners);
        if (!isOtherCopy(facts, self)) continue;
        // Asked last, and only of the few candidates: a copy on our bus hands over.
        facts.onOurBus = !appleevent::busNamesOfPid(uint(pid)).isEmpty();
        if (!isOtherCopy(facts, self)) continue;
        const KXProcess::Ptr process = KXProcess::processWithPID(pid);
        if (!process) continue;
        ++found;
        RunningCopy copy(process);
        apply(mode, copy);
    }
    return found;
}

} // namespace quitother
