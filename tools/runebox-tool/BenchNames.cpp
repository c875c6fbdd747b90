// runebox-tool bench names: the character-name list read cold (data file, custom names,
// cache written) and read again from the cache after a flush.
#include "Bench.h"

#include "model/RbxCharacterName.h"

namespace {

int runNamesBench(const QStringList& args) {
    const int runs = args.isEmpty() ? 10 : std::max(1, args.first().toInt());
    std::size_t count = 0;
    const tool::Timing cold = tool::time(runs, [&] {
        RbxCharacterName::resetForTesting();
        count = RbxCharacterName::allNames()->size();
    });
    const tool::Timing cached = tool::time(runs, [&] {
        RbxCharacterName::flushNames();
        count = RbxCharacterName::allNames()->size();
    });
    tool::out() << count << " names, " << runs << " runs each" << Qt::endl;
    bool ok = tool::reportTiming(QStringLiteral("cold (data file, custom names, cache written)"), cold, 40);
    ok = tool::reportTiming(QStringLiteral("after a flush (from the cache)"), cached, 10) && ok;
    return ok ? 0 : 1;
}

} // namespace

RBX_BENCH(names, "character names read cold and from the cache [RUNS]", runNamesBench);
