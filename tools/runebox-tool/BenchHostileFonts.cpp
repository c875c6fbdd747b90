// runebox-tool bench hostileFonts [DIR]: loads the characters of the two hostile fonts of
// the test suite (tests/fonts/make-hostile-fonts.py, written to DIR, or to a temporary
// folder when DIR is not given) the way the palette does, each in a process of its own,
// and reports the time and the memory it took (targets: under 200 ms and 50 MiB each).
#include "Bench.h"

#include "core/Log.h"
#include "model/RbxFontInfo.h"
#include "platform/fonts/Font.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <ctime>

namespace {

constexpr double TargetMs = 200;
constexpr double TargetMiB = 50;

// A line of /proc/self/status in MiB ("VmRSS", "VmHWM").
double statusMiB(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(qsizetype(qstrlen(field)) + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// In the child: one cold load, printed as "<ms> <MiB> <characters> <ligatures>".
int loadOne(const QString& file) {
    kx::LogCapture log(false);
    const double before = statusMiB("VmRSS");
    QElapsedTimer t;
    t.start();
    timespec cpu0{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu0);
    const auto face = rbx::FontFace::fromFile(file, 0);
    if (!face) {
        tool::err() << "not a font: " << file << Qt::endl;
        return 1;
    }
    RbxFontInfo info(rbx::Font(face, 12));
    const int characters = info.availableCharacterCount();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    timespec cpu1{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu1);
    const double cpuMs = double(cpu1.tv_sec - cpu0.tv_sec) * 1e3 + double(cpu1.tv_nsec - cpu0.tv_nsec) / 1e6;
    const double grown = statusMiB("VmHWM") - before;
    tool::out() << ms << " " << grown << " " << characters << " " << info.numberOfLigatures() << " " << cpuMs
                << Qt::endl;
    const bool stopped = log.contains(QStringLiteral("stopped: they ask for more than"));
    tool::out() << (stopped ? "stopped" : "read") << Qt::endl;
    return 0;
}

int runHostileFontsBench(const QStringList& args) {
    if (args.size() == 2 && args[0] == QLatin1String("--one")) return loadOne(args[1]);
    QTemporaryDir scratch;
    const QString dir = args.isEmpty() ? scratch.path() : args.first();
    const QString script = QStringLiteral(RUNEBOX_SOURCE_DIR "/tests/fonts/make-hostile-fonts.py");
    if (args.isEmpty() && QProcess::execute(QStringLiteral("/usr/bin/python3"), {script, dir}) != 0) {
        tool::err() << "could not make the hostile fonts with " << script << " (python3-fonttools)" << Qt::endl;
        return 1;
    }
    const QStringList fonts = QDir(dir).entryList({QStringLiteral("RbxHostile*.ttf")}, QDir::Files, QDir::Name);
    if (fonts.isEmpty()) {
        tool::err() << "no hostile fonts in " << dir << Qt::endl;
        return 1;
    }
    bool ok = true;
    for (const QString& name : fonts) {
        std::vector<double> ms;
        double mib = 0;
        QStringList last;
        for (int run = 0; run < 3; ++run) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("bench"), QStringLiteral("hostileFonts"), QStringLiteral("--one"),
                         QDir(dir).filePath(name)});
            if (!child.waitForFinished(60000) || child.exitCode() != 0) {
                child.kill();
                tool::out() << name << ": did not load within 60 s" << Qt::endl;
                return 1;
            }
            last = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            const QStringList numbers = last.value(0).split(QLatin1Char(' '));
            ms.push_back(numbers.value(0).toDouble());
            mib = std::max(mib, numbers.value(1).toDouble());
        }
        std::sort(ms.begin(), ms.end());
        const QStringList numbers = last.value(0).split(QLatin1Char(' '));
        const bool fast = ms[ms.size() / 2] < TargetMs, small = mib < TargetMiB;
        tool::out() << name << " (" << QFileInfo(QDir(dir).filePath(name)).size() / 1024 << " KB): "
                    << numbers.value(2) << " characters, " << numbers.value(3) << " ligatures, reading "
                    << last.value(1) << "; median " << QString::number(ms[ms.size() / 2], 'f', 1) << " ms (target "
                    << TargetMs << ") " << (fast ? "OK" : "SLOW") << ", memory " << QString::number(mib, 'f', 1)
                    << " MiB (target " << TargetMiB << ") " << (small ? "OK" : "TOO MUCH") << Qt::endl;
        ok = ok && fast && small;
    }
    return ok ? 0 : 1;
}

} // namespace

RBX_BENCH(hostileFonts, "the characters of the test suite's hostile fonts, each loaded cold in a process of its own",
          runHostileFontsBench);
