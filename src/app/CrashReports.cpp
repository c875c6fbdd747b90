#include "app/CrashReports.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

namespace crashreports {

namespace {

const QString Prefix = QStringLiteral("Runebox_");

int folderFd = -1;

// Async-signal-safe writing helpers: no allocation, no locale, no stdio.
void put(int fd, const char* s) {
    const size_t n = std::strlen(s);
    if (n && ::write(fd, s, n) < 0) return;
}

void putNumber(char* out, long value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
}

// "YYYY-MM-DD-HHMMSS" in UTC from the seconds since 1970 (days to civil date, H. Hinnant).
void dateText(time_t t, char* out) {
    long days = long(t / 86400);
    long secs = long(t % 86400);
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long doe = days - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long y = yoe + era * 400;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long d = doy - (153 * mp + 2) / 5 + 1;
    const long m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
    putNumber(out, y, 4);
    out[4] = '-';
    putNumber(out + 5, m, 2);
    out[7] = '-';
    putNumber(out + 8, d, 2);
    out[10] = '-';
    putNumber(out + 11, secs / 3600, 2);
    putNumber(out + 13, secs / 60 % 60, 2);
    putNumber(out + 15, secs % 60, 2);
    out[17] = 0;
}

void handler(int sig) {
    if (folderFd >= 0) {
        char name[64] = "Runebox_";
        dateText(time(nullptr), name + 8);
        // A second report in the same second gets a number of its own.
        const size_t base = std::strlen(name);
        int fd = -1;
        for (int n = 0; n < 100 && fd < 0; ++n) {
            size_t at = base;
            if (n > 0) {
                name[at++] = '-';
                putNumber(name + at, n, 2);
                at += 2;
            }
            std::memcpy(name + at, ".crash", 7);
            fd = ::openat(folderFd, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0 && errno != EEXIST) break;
        }
        if (fd >= 0) {
            put(fd, "Runebox crashed: signal ");
            char number[4];
            putNumber(number, sig, 3);
            number[3] = 0;
            put(fd, number);
            put(fd, " (");
            put(fd, sigdescr_np(sig) ? sigdescr_np(sig) : "?");
            put(fd, ")\n\nBacktrace:\n");
            void* frames[64];
            const int count = backtrace(frames, 64);
            backtrace_symbols_fd(frames, count, fd);
            ::close(fd);
        }
    }
    // The handler was reset on entry: the signal ends the process as it would have.
    ::raise(sig);
}

} // namespace

QString folder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state)) state = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(state + QStringLiteral("/runebox/crashes"));
}

bool install() {
    const QString path = folder();
    if (!QDir().mkpath(path)) return false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    if (folderFd >= 0) ::close(folderFd);
    folderFd = fd;
    // backtrace() loads its unwinder on first use; that must not happen inside the handler.
    void* warmUp[1];
    backtrace(warmUp, 1);
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (const int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(sig, &action, nullptr);
    return true;
}

QStringList reports(const QString& folder) {
    QStringList names = QDir(folder).entryList({Prefix + u'*'}, QDir::Files | QDir::Hidden, QDir::Name);
    names.sort();
    return names;
}

QString crashLine(const QStringList& reports) {
    const auto shown = [](const QString& name) { return QFileInfo(name.mid(Prefix.size())).completeBaseName(); };
    if (reports.isEmpty()) return QStringLiteral("no crashes");
    if (reports.size() == 1) return QStringLiteral("one crash: %1").arg(shown(reports.first()));
    return QStringLiteral("%1 crashes: %2 - %3").arg(reports.size()).arg(shown(reports.first()), shown(reports.last()));
}

} // namespace crashreports
