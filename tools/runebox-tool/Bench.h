#pragma once
// Benchmarks of runebox-tool: `runebox-tool bench NAME [ARGS...]`. Each benchmark lives in
// its own file and registers itself with
//   RBX_BENCH(names, "reading the character names cold and from the cache", runNamesBench)
// returning the exit code (0 when every target was met, 1 otherwise).

#include "ToolCommand.h"

#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <vector>

namespace tool {

using BenchFn = int (*)(const QStringList& args);
bool registerBench(const char* name, const char* description, BenchFn fn);

// Milliseconds of a run of fn, the best (smallest) of `runs` runs and their median.
struct Timing {
    double best = 0;
    double median = 0;
};
template <typename Fn> Timing time(int runs, Fn&& fn) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return Timing{ms.front(), ms[ms.size() / 2]};
}

// One line "<what>: best X ms, median Y ms (target Z ms) OK|SLOW"; answers whether the
// median met the target.
bool reportTiming(const QString& what, const Timing& t, double targetMs);

// For benchmarks that write caches as the palette does: unless this process runs with a
// scratch data folder of its own, runs `runebox-tool bench NAME ARGS` again with
// XDG_DATA_HOME in a fresh scratch folder and answers its exit code; inside that run it
// lets this process write its files (the user's support folder is never touched) and
// answers nothing.
std::optional<int> runWithScratchData(const char* bench, const QStringList& args);

} // namespace tool

#define RBX_BENCH(ident, description, fn) \
    static const bool rbx_bench_registered_##ident = ::tool::registerBench(#ident, description, fn)
