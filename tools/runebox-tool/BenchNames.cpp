// runebox-tool bench names: the character-name list read cold (data file and custom
// names; the cache is then written in the background) and read again from the cache
// after a flush. The caches are written into a scratch data folder: the command runs
// itself again with XDG_DATA_HOME there, never touching the user's support folder.
#include "Bench.h"
#include "ToolModel.h"

#include "model/RbxCharacterName.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

namespace {

bool waitForCache() {
    const QDeadlineTimer deadline(60000);
    while (!RbxCharacterName::isCacheWritten()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

int runNamesBench(const QStringList& args) {
    if (const std::optional<int> rc = tool::runWithScratchData("names", args)) return *rc;
    const int runs = args.isEmpty() ? 10 : std::max(1, args.first().toInt());
    std::size_t count = 0;
    std::vector<double> cold;
    for (int i = 0; i < runs; ++i) {
        tool::installFreshCharacterNames();
        const tool::Timing t = tool::time(1, [&] { count = RbxCharacterName::allNames()->size(); });
        cold.push_back(t.best);
        if (!waitForCache()) {  // not timed: the palette goes on meanwhile
            tool::err() << "bench names: the cache was not written" << Qt::endl;
            return 1;
        }
    }
    std::sort(cold.begin(), cold.end());
    const tool::Timing cached = tool::time(runs, [&] {
        RbxCharacterName::flushNames();
        count = RbxCharacterName::allNames()->size();
    });
    QTemporaryDir scratch;
    const RbxCharacterName::SharedList list = RbxCharacterName::allNames();
    const tool::Timing write =
        tool::time(runs, [&] { RbxCharacterName::writeCacheFile(*list, scratch.filePath(QStringLiteral("names"))); });

    tool::out() << count << " names, " << runs << " runs each" << Qt::endl;
    bool ok = tool::reportTiming(QStringLiteral("cold (data file and custom names)"), tool::Timing{cold.front(), cold[cold.size() / 2]}, 40);
    ok = tool::reportTiming(QStringLiteral("after a flush (from the cache)"), cached, 10) && ok;
    tool::out() << "writing the cache (in the background): best " << QString::number(write.best, 'f', 2) << " ms, median "
                << QString::number(write.median, 'f', 2) << " ms" << Qt::endl;
    return ok ? 0 : 1;
}

} // namespace

RBX_BENCH(names, "character names read cold and from the cache [RUNS]", runNamesBench);
