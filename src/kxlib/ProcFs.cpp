#include "kxlib/ProcFs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace kx::proc {

namespace {
QByteArray readSmallFile(const QString& path, qint64 max = 1 << 20) {
    // Files under /proc report no size and hand out a page per read: read to the end.
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return {};
    QByteArray out;
    char buf[4096];
    while (out.size() < max) {
        const qint64 n = f.read(buf, qMin<qint64>(sizeof buf, max - out.size()));
        if (n <= 0) break;
        out.append(buf, n);
    }
    return out;
}
QString procPath(int pid, const char* entry) { return QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(entry)); }
} // namespace

std::optional<Stat> parseStat(const QByteArray& text) {
    // "pid (comm) state ppid ..." — comm may contain ") ", so the name ends at the last ')'.
    const qsizetype open = text.indexOf('(');
    const qsizetype close = text.lastIndexOf(')');
    if (open <= 0 || close < open) return std::nullopt;
    bool ok = false;
    Stat s;
    s.pid = text.left(open).trimmed().toInt(&ok);
    if (!ok || s.pid <= 0) return std::nullopt;
    s.comm = QString::fromUtf8(text.mid(open + 1, close - open - 1));
    const QList<QByteArray> f = text.mid(close + 1).simplified().split(' ');
    // Fields after the name, counted from 3 (state) as in proc(5).
    auto field = [&](int n) -> QByteArray { return f.value(n - 3); };
    if (f.size() < 20) return std::nullopt;
    if (field(3).size() != 1) return std::nullopt;
    s.state = field(3).at(0);
    s.ppid = field(4).toInt(&ok);
    if (!ok) return std::nullopt;
    s.utime = field(14).toULongLong(&ok);
    if (!ok) return std::nullopt;
    s.stime = field(15).toULongLong(&ok);
    if (!ok) return std::nullopt;
    s.startTime = field(22).toULongLong(&ok);
    if (!ok) return std::nullopt;
    return s;
}

std::optional<Stat> readStat(int pid) {
    if (pid <= 0) return std::nullopt;
    return parseStat(readSmallFile(procPath(pid, "stat"), 4096));
}

bool isRunning(int pid, quint64 startTime) {
    const auto s = readStat(pid);
    if (!s || s->state == 'Z' || s->state == 'X' || s->state == 'x') return false;
    return startTime == 0 || s->startTime == startTime;
}

QString executablePath(int pid) {
    if (pid <= 0) return {};
    QString target = QFile::symLinkTarget(procPath(pid, "exe"));
    if (target.endsWith(QLatin1String(" (deleted)"))) target.chop(10);
    return target;
}

QStringList commandLine(int pid) {
    if (pid <= 0) return {};
    QByteArray raw = readSmallFile(procPath(pid, "cmdline"));
    if (raw.endsWith('\0')) raw.chop(1);
    if (raw.isEmpty()) return {};
    QStringList out;
    for (const QByteArray& a : raw.split('\0')) out << QString::fromLocal8Bit(a);
    return out;
}

std::optional<QByteArray> environmentValue(int pid, const QByteArray& name) {
    if (pid <= 0 || name.isEmpty()) return std::nullopt;
    const QByteArray raw = readSmallFile(procPath(pid, "environ"), 4 << 20);
    const QByteArray prefix = name + '=';
    for (const QByteArray& entry : raw.split('\0'))
        if (entry.startsWith(prefix)) return entry.mid(prefix.size());
    return std::nullopt;
}

uint ownerUid(int pid, bool* ok) {
    const QFileInfo info(QStringLiteral("/proc/%1").arg(pid));
    const bool exists = pid > 0 && info.exists();
    if (ok) *ok = exists;
    return exists ? info.ownerId() : 0;
}

long clockTicksPerSecond() {
    static const long ticks = [] {
        const long t = sysconf(_SC_CLK_TCK);
        return t > 0 ? t : 100;
    }();
    return ticks;
}

double ticksToSeconds(quint64 ticks) { return double(ticks) / double(clockTicksPerSecond()); }

QDateTime startDate(quint64 startTime) {
    static const qint64 bootTime = [] {
        const QList<QByteArray> lines = readSmallFile(QStringLiteral("/proc/stat")).split('\n');
        for (const QByteArray& l : lines)
            if (l.startsWith("btime ")) return l.mid(6).trimmed().toLongLong();
        return qint64(0);
    }();
    if (!bootTime) return {};
    const qint64 ms = bootTime * 1000 + qint64(ticksToSeconds(startTime) * 1000.0);
    return QDateTime::fromMSecsSinceEpoch(ms);
}

QList<int> allPids() {
    QList<int> pids;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& e : entries) {
        bool ok = false;
        const int pid = e.toInt(&ok);
        if (ok && pid > 0) pids.append(pid);
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

QString programName(const QString& executablePath, const QString& comm) {
    const QString exe = QFileInfo(executablePath).fileName();
    if (exe.isEmpty()) return comm;
    if (comm.isEmpty() || exe.startsWith(comm)) return exe;
    return comm;
}

} // namespace kx::proc
