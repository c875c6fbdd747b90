// runebox-tool bench NAME: runs one registered benchmark.
#include "Bench.h"

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

} // namespace tool

namespace {

int runBench(const QStringList& args) {
    if (args.isEmpty() || !tool::benches().count(args.first().toStdString())) {
        tool::usage("bench");
        for (const auto& [name, e] : tool::benches()) tool::err() << "  " << name.c_str() << ": " << e.description.c_str() << "\n";
        return 2;
    }
    return tool::benches()[args.first().toStdString()].fn(args.mid(1));
}

} // namespace

RBX_TOOL_COMMAND(bench, "bench NAME [ARGS...]", runBench);
