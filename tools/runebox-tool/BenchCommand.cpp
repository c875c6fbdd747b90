// runebox-tool bench NAME: runs one registered benchmark.
#include "Bench.h"

#include "core/KXUserFileAccess.h"
#include "core/ProcessWide.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <map>
#include <string>

namespace tool {
namespace {
struct BenchEntry { std::string description; BenchFn fn; };
std::map<std::string, BenchEntry>& benches() { static std::map<std::string, BenchEntry> b; return b; }
} // namespace

bool registerBench(const char* name, const char* description, BenchFn fn) {
    benches()[name] = BenchEntry{description, fn};
    return true;
}

bool reportTiming(const QString& what, const Timing& t, double targetMs) {
    const bool ok = t.median < targetMs;
    out() << what << ": best " << QString::number(t.best, 'f', 2) << " ms, median "
          << QString::number(t.median, 'f', 2) << " ms (target " << targetMs << " ms) " << (ok ? "OK" : "SLOW")
          << Qt::endl;
    return ok;
}

std::optional<int> runWithScratchData(const char* bench, const QStringList& args) {
    static constexpr const char* ScratchVariable = "RUNEBOX_BENCH_SCRATCH_DATA";
    const QString data = qEnvironmentVariable(ScratchVariable);
    if (!data.isEmpty() && data == qEnvironmentVariable("XDG_DATA_HOME")) {
        // The scratch folder is this run's own: the caches may be written there.
        kx::ProcessWide<KXUserFileAccess>::install(std::make_unique<KXUserFileAccess>(KXUserFileAccess::Mode::ReadWrite));
        return std::nullopt;
    }
    QTemporaryDir scratch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), scratch.path());
    env.insert(QString::fromLatin1(ScratchVariable), scratch.path());
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("bench"), QString::fromLatin1(bench)} + args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit) return 2;
    return p.exitCode();
}

} // namespace tool

namespace {

// "--fonts big" anywhere after the bench's name runs it with the large font set of
// scripts/bench-fonts (the machine's fonts and two Noto collections, about 2,000 faces) through
// a private fontconfig file that every program the bench starts inherits.
bool takeFontSet(QStringList& args) {
    const qsizetype at = args.indexOf(QStringLiteral("--fonts"));
    if (at < 0) return true;
    const QString set = args.value(at + 1);
    args.remove(at, std::min<qsizetype>(2, args.size() - at));
    if (set == QLatin1String("system")) return true;
    if (set != QLatin1String("big")) {
        tool::err() << "bench: --fonts takes \"system\" or \"big\"" << Qt::endl;
        return false;
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(RUNEBOX_SOURCE_RESOURCES "/../scripts/bench-fonts"), {});
    const QString conf = p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0
                             ? QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed()
                             : QString();
    if (conf.isEmpty()) {
        tool::err() << "bench: the large font set could not be prepared (scripts/bench-fonts)" << Qt::endl;
        return false;
    }
    qputenv("FONTCONFIG_FILE", conf.toLocal8Bit());
    return true;
}

int runBench(const QStringList& given) {
    QStringList args = given;
    if (!takeFontSet(args)) return 2;
    if (args.isEmpty() || !tool::benches().count(args.first().toStdString())) {
        tool::usage("bench");
        for (const auto& [name, e] : tool::benches()) tool::err() << "  " << name.c_str() << ": " << e.description.c_str() << "\n";
        return 2;
    }
    return tool::benches()[args.first().toStdString()].fn(args.mid(1));
}

} // namespace

RBX_TOOL_COMMAND(bench, "bench NAME [ARGS...] [--fonts system|big]", runBench);
