// runebox-tool bench search [RUNS]: the search filter over the full name list. Each of a
// fixed list of queries is answered from a cleared filter (the name list and its word
// index made beforehand and, as in the palette, mapped from the files written in a
// scratch data folder); the median and the slowest query are reported, and the first
// query over the mapped files, which reads their pages in.
#include "Bench.h"

#include "model/RbxCharacterName.h"
#include "model/RbxNameFilter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <algorithm>

namespace {

// Words, letters, numbers, block names and "--".
const char* const queries[] = {
    "arrow",         "latin",        "heart",        "smiling face",   "greek small",
    "cyrillic",      "digit",        "fraction",     "box drawings",   "face",
    "a",             "z",            "q",            "a arrow",        "e w",
    "x latin",       "o with",       "b c d",        "41",             "#169",
    "U+1F600",       "x2190",        "1F44D",        "65",             "#8364",
    "u+00e9",        "4",            "2a",           "arrows",         "mathematical operators",
    "braille",       "hangul",       "cjk",          "cjk unified ideograph", "block elements",
    "geometric shapes", "dingbats",  "emoticons",    "currency",       "supplemental",
    "--",            "letter",       "sign",         "small letter",   "with",
    "tangut",        "egyptian",     "musical",      "(a)",            "double-struck",
};

int runSearchBench(const QStringList& args) {
    if (const std::optional<int> rc = tool::runWithScratchData("search", args)) return *rc;
    int runs = 5;
    for (const QString& a : args)
        if (!a.startsWith(QLatin1String("--"))) runs = std::max(1, a.toInt());
    const auto names = RbxCharacterName::allNames();
    // The first search makes the word index; it is not part of the timing.
    QElapsedTimer warm;
    warm.start();
    RbxNameFilter::setFilter(QStringLiteral("warm up"));
    RbxNameFilter::filteredCharacters();
    const double indexMs = double(warm.nsecsElapsed()) / 1e6;
    // The loading goes on to write the files and map them.
    const QDeadlineTimer deadline(60000);
    while (!RbxCharacterName::isCacheWritten() || !RbxCharacterName::allNames()->isView()) {
        if (deadline.hasExpired()) {
            tool::err() << "bench search: the names were not mapped" << Qt::endl;
            return 1;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QElapsedTimer cold;
    cold.start();
    RbxNameFilter::setFilter(QString());
    RbxNameFilter::setFilter(QString::fromUtf8(queries[0]));
    RbxNameFilter::filteredCharacters();
    const double coldMs = double(cold.nsecsElapsed()) / 1e6;

    struct Result {
        QString query;
        double ms;
        std::size_t count;
    };
    std::vector<Result> results;
    for (const char* q : queries) {
        const QString query = QString::fromUtf8(q);
        std::size_t count = 0;
        const tool::Timing t = tool::time(runs, [&] {
            RbxNameFilter::setFilter(QString());
            RbxNameFilter::setFilter(query);
            count = RbxNameFilter::filteredCharacters()->numberOfCharacters();
        });
        results.push_back({query, t.median, count});
    }
    RbxNameFilter::setFilter(QString());

    std::vector<double> ms;
    for (const Result& r : results) ms.push_back(r.ms);
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    const auto worst = std::max_element(results.begin(), results.end(),
                                        [](const Result& a, const Result& b) { return a.ms < b.ms; });
    QTextStream& out = tool::out();
    out << names->size() << " names, " << results.size() << " queries, median of " << runs << " runs each" << Qt::endl;
    out << "word index made in " << QString::number(indexMs, 'f', 1) << " ms" << Qt::endl;
    out << "first search over the mapped files (\"" << queries[0] << "\"): " << QString::number(coldMs, 'f', 3) << " ms" << Qt::endl;
    if (args.contains(QStringLiteral("--each")))
        for (const Result& r : results)
            out << "  " << QString::number(r.ms, 'f', 3) << " ms  " << r.count << "  " << r.query << Qt::endl;
    const bool medianOk = median < 2.0;
    const bool worstOk = worst->ms < 20.0;
    out << "median " << QString::number(median, 'f', 3) << " ms (target 2 ms) " << (medianOk ? "OK" : "SLOW") << Qt::endl;
    out << "worst " << QString::number(worst->ms, 'f', 3) << " ms for \"" << worst->query << "\" (target 20 ms) "
        << (worstOk ? "OK" : "SLOW") << Qt::endl;
    return medianOk && worstOk ? 0 : 1;
}

} // namespace

RBX_BENCH(search, "the search filter over the full name list [RUNS] [--each]", runSearchBench);
