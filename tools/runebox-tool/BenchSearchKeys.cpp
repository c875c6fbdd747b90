// runebox-tool bench searchkeys [RUNS] [--each]: typing into the palette's search field, on an X
// display with a window manager and a session bus (without a display it runs itself inside
// a private one). The user clicks into the field and types "arrow", letter by letter;
// timed: from each key (pressed through the X server with XTest, as a keyboard would) to
// the table's next paint showing the search for the letters typed so far. Escape empties the field between runs.
// Median over every key of RUNS words (5 by default); the first word, with the names'
// word index still being made, is not counted. --each prints the median of each letter.
#include "BenchSession.h"

#include "platform/x11/X11Session.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QRect>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

using namespace tool::session;

constexpr double KeyTargetMs = 15;
const QString Word = QStringLiteral("arrow");

// Presses and lets go the key; the milliseconds from the press to the table's paint of
// the search `shown`, -1 when it did not show.
double keyToPaint(const QDBusConnection& bus, X11Session& x, KeySym key, const QString& shown) {
    const qint64 sent = pressKey(x, key);
    if (sent == 0) return -1;
    qint64 painted = 0;
    const bool ok = poll(bus, 10000, [&](const QVariantMap& s) {
        painted = s.value(QStringLiteral("tablePaintedNs")).toLongLong();
        return s.value(QStringLiteral("tableSearch")).toString() == shown && painted > sent;
    });
    return ok ? double(painted - sent) / 1e6 : -1;
}

// Types the word letter by letter, then Escape; the time of each letter.
bool typeWord(const QDBusConnection& bus, X11Session& x, std::vector<double>* times) {
    for (qsizetype i = 0; i < Word.size(); ++i) {
        const double ms = keyToPaint(bus, x, XStringToKeysym(Word.mid(i, 1).toLatin1().constData()), Word.left(i + 1));
        if (ms < 0) return false;
        if (times) times->push_back(ms);
    }
    const bool cleared = keyToPaint(bus, x, XK_Escape, QString()) >= 0;
    QThread::msleep(200);
    return cleared;
}

int runSearchKeysBench(const QStringList& args) {
    int runs = 5;
    for (const QString& a : args)
        if (!a.startsWith(QLatin1String("--"))) runs = std::max(1, a.toInt());
    PaletteBench palette("searchkeys", args);
    if (!palette.open()) return palette.exitCode();
    X11Session& x = palette.x();
    const QDBusConnection& bus = palette.bus();
    const QProcessEnvironment env = palette.environment();
    QThread::msleep(1000);
    const QRect field = controlRect(bus, QStringLiteral("searchField"));
    if (field.isEmpty()) {
        tool::err() << "bench searchkeys: no search field" << Qt::endl;
        return 1;
    }
    // The palette takes the keyboard while the mouse is over it; the click puts it into
    // the field.
    runQuietly(QStringLiteral("xdotool"),
               {QStringLiteral("mousemove"), QString::number(field.center().x()), QString::number(field.center().y())}, env);
    QThread::msleep(400);
    runQuietly(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")}, env);
    if (!poll(bus, 5000, [](const QVariantMap& s) { return s.value(QStringLiteral("focus")) == QLatin1String("searchField"); })) {
        tool::err() << "bench searchkeys: the search field did not take the keyboard" << Qt::endl;
        return 1;
    }
    if (!typeWord(bus, x, nullptr)) {
        tool::err() << "bench searchkeys: the table did not show the search" << Qt::endl;
        return 1;
    }
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        if (!typeWord(bus, x, &times)) {
            tool::err() << "bench searchkeys: the table did not show the search" << Qt::endl;
            return 1;
        }
    if (args.contains(QStringLiteral("--each")))
        for (qsizetype i = 0; i < Word.size(); ++i) {
            std::vector<double> letter;
            for (std::size_t k = std::size_t(i); k < times.size(); k += std::size_t(Word.size())) letter.push_back(times[k]);
            tool::out() << "  \"" << Word.left(i + 1) << "\": median " << QString::number(summary(letter).median, 'f', 2)
                        << " ms" << Qt::endl;
        }
    return tool::reportTiming(QStringLiteral("a key typed into the search field (\"") + Word +
                                  QStringLiteral("\") to the table's paint"),
                              summary(times), KeyTargetMs)
               ? 0
               : 1;
}

} // namespace

RBX_BENCH(searchkeys, "a key typed into the search field to the table's next paint [RUNS] [--each]", runSearchKeysBench);
