// runebox-tool bench firstsearch [RUNS]: the first search of a fresh palette process with
// all installed fonts, on an X display with a window manager and a session bus (without a
// display it runs itself inside a private one).
//   first search: from the "set?search=" command sent one second after the palette's first
//                 paint to the table's first paint showing its result (median of RUNS
//                 launches, 5 by default, after one launch that fills the caches);
//   memory:       the resident size after four different searches, two seconds after the
//                 last one's paint.
// The number of installed faces is printed: the targets hold for a few hundred faces as
// for a few thousand.
#include "BenchSession.h"

#include "platform/dbus/SessionBus.h"
#include "platform/fonts/FontBackend.h"

#include <QThread>
#include <QUrl>

namespace {

using namespace tool::session;

constexpr double FirstSearchTargetMs = 30;
constexpr double MemoryTargetMiB = 60;
// What a user might type first: a word, a block, a letter and words, a code point.
const char* const searches[] = {"arrow", "greek small", "a latin", "U+1F600"};

// Sends the search and waits for the table's paint with its result; milliseconds, or -1.
double timeSearch(const QDBusConnection& bus, const QString& text) {
    const qint64 sent = monotonicNs();
    sendURL(QStringLiteral("runebox://set?search=") + QString::fromLatin1(QUrl::toPercentEncoding(text)));
    qint64 painted = 0;
    if (!poll(bus, 15000, [&](const QVariantMap& s) {
            painted = s.value(QStringLiteral("tablePaintedNs")).toLongLong();
            return s.value(QStringLiteral("tableSearch")).toString() == text && painted > sent;
        }))
        return -1;
    return double(painted - sent) / 1e6;
}

int runFirstSearchBench(const QStringList& args) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return runInPrivateSession(QStringLiteral("firstsearch"), args);
    const int runs = args.isEmpty() ? 5 : std::max(1, args.first().toInt());
    QString program;
    if (!ready("firstsearch", &program)) return 2;
    const QDBusConnection bus = dbus::sessionBus();
    const Home home;
    const qsizetype faces = rbx::FontBackend::makeDefault()->faces().size();
    tool::out() << faces << " installed faces" << Qt::endl;

    std::vector<double> first, memory;
    for (int i = 0; i <= runs; ++i) {
        Launch launch(program, home.environment());
        if (!launch.started() || launch.waitForFirstPaint(bus) == 0) {
            tool::err() << "bench firstsearch: the palette did not show" << Qt::endl;
            return 1;
        }
        QThread::msleep(1000);
        std::vector<double> times;
        for (const char* text : searches) {
            const double ms = timeSearch(bus, QString::fromLatin1(text));
            if (ms < 0) {
                tool::err() << "bench firstsearch: the table did not show the search for " << text << Qt::endl;
                return 1;
            }
            times.push_back(ms);
        }
        if (i == 0) continue;  // the launch that fills the caches
        first.push_back(times.front());
        QThread::msleep(2000);
        memory.push_back(residentMiB(launch.pid()));
    }
    const bool timeOk = tool::reportTiming(QStringLiteral("first search to the table's paint"), summary(first),
                                           FirstSearchTargetMs);
    const tool::Timing rss = summary(memory);
    const bool memOk = rss.median > 0 && rss.median < MemoryTargetMiB;
    tool::out() << "resident memory after four searches: median " << QString::number(rss.median, 'f', 1)
                << " MiB, largest " << QString::number(memory.empty() ? 0 : *std::max_element(memory.begin(), memory.end()), 'f', 1)
                << " MiB (target " << MemoryTargetMiB << " MiB) " << (memOk ? "OK" : "LARGE") << Qt::endl;
    return timeOk && memOk ? 0 : 1;
}

} // namespace

RBX_BENCH(firstsearch, "the first search of a fresh palette to the table's paint, memory after four searches",
          runFirstSearchBench);
