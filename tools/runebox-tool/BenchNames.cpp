// runebox-tool bench names: the character-name list read cold (data file and custom
// names; the cache is then written in the background) and read again from the cache
// after a flush. The caches are written into a scratch data folder: the command runs
// itself again with XDG_DATA_HOME there, never touching the user's support folder.
#include "Bench.h"
#include "ToolModel.h"

#include "core/KXUserFileAccess.h"
#include "core/ProcessWide.h"
#include "model/RbxCharacterName.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr const char* ScratchVariable = "RUNEBOX_BENCH_SCRATCH_DATA";

bool waitForCache() {
    const QDeadlineTimer deadline(60000);
    while (!RbxCharacterName::isCacheWritten()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Runs this command again with a scratch data folder; its exit code.
int runInScratchData(const QStringList& args) {
    QTemporaryDir scratch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), scratch.path());
    env.insert(QString::fromLatin1(ScratchVariable), scratch.path());
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("bench"), QStringLiteral("names")} + args);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit) return 2;
    return p.exitCode();
}

int runNamesBench(const QStringList& args) {
    const QString data = qEnvironmentVariable(ScratchVariable);
    if (data.isEmpty() || data != qEnvironmentVariable("XDG_DATA_HOME")) return runInScratchData(args);
    // The scratch folder is this run's own: the caches may be written there.
    kx::ProcessWide<KXUserFileAccess>::install(std::make_unique<KXUserFileAccess>(KXUserFileAccess::Mode::ReadWrite));
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
