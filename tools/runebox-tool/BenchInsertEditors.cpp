// runebox-tool bench insert --editors [--count N] [--busy]: the real palette inserts N
// characters (1,000 by default) alternately into xterm (typed) and mousepad (pasted), the
// user switching between the two with the window manager's Alt+Tab before each click while
// the palette stays open. Every click, key and switch goes through the X server as a user's
// would; after each click the pointer leaves the palette. Counted: characters lost, ones
// that reached the wrong application, raw Ctrl+V bytes; timed: the release of the button to
// the character's arrival (xterm writes what it receives to a file at once; mousepad marks
// its title as changed), median per road. --busy keeps every core busy with a spinning
// process meanwhile. Needs xterm and mousepad; without a display it runs itself inside a
// private one (tests/x11/x11-session).
#include "BenchInsertEditors.h"

#include "BenchSession.h"

#include "platform/dbus/SingleInstance.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <initializer_list>
#include <thread>

namespace {

using namespace tool::session;

constexpr double TypedTargetMs = 10;
constexpr double PastedTargetMs = 20;

// Presses the keys in order and lets them go in reverse, as fingers do: a moment apart,
// so that a window manager that grabs the keyboard at the press (Alt+Tab) sees the release.
void chord(X11Session& x, std::initializer_list<unsigned long> keysyms) {
    std::vector<unsigned> codes;
    for (unsigned long k : keysyms) codes.push_back(XKeysymToKeycode(x.display(), KeySym(k)));
    for (unsigned c : codes) {
        XTestFakeKeyEvent(x.display(), c, True, CurrentTime);
        x.sync();
        QThread::msleep(40);
    }
    for (auto it = codes.rbegin(); it != codes.rend(); ++it) {
        XTestFakeKeyEvent(x.display(), *it, False, CurrentTime);
        x.sync();
        QThread::msleep(40);
    }
}

void moveTo(X11Session& x, const QPoint& p) {
    XTestFakeMotionEvent(x.display(), -1, p.x(), p.y(), CurrentTime);
    x.flush();
}

bool waitUntil(int ms, const std::function<bool()>& done) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QThread::usleep(200);
    }
    return true;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One of the two applications: its process, its window, and where what it received is.
struct Editor {
    QString name;
    QProcess process;
    QString file;
    X11Session::Window window = 0;
    QString expected;
    std::vector<double> ms;

    int pid() const { return int(process.processId()); }
    // mousepad: its title marks a text not saved yet.
    bool changed(X11Session& x) const { return ewmh::windowTitle(x, window).startsWith(QLatin1Char('*')); }
};

class Busy {
public:
    explicit Busy(bool on) {
        if (!on) return;
        for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i) {
            auto* p = new QProcess;
            p->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
            spinners_.push_back(p);
        }
    }
    ~Busy() {
        for (QProcess* p : spinners_) {
            p->kill();
            p->waitForFinished(2000);
            delete p;
        }
    }

private:
    std::vector<QProcess*> spinners_;
};

int runEditors(const QStringList& args) {
    int count = 1000;
    if (const int i = args.indexOf(QStringLiteral("--count")); i >= 0 && i + 1 < args.size())
        count = std::max(2, args[i + 1].toInt());
    for (const char* program : {"xterm", "mousepad"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()) {
            tool::err() << "bench insert: needs " << program << Qt::endl;
            return 2;
        }
    PaletteBench palette("insert", args);
    if (!palette.open({{QStringLiteral("animate window"), QStringLiteral("NO")},
                       {QStringLiteral("click outside closes"), QStringLiteral("NO")}}))
        return palette.exitCode();
    X11Session& x = palette.x();
    const QDBusConnection& bus = palette.bus();
    const int ours = int(palette.launch().pid());

    QTemporaryDir dir;
    Editor xterm, mousepad;
    xterm.name = QStringLiteral("xterm");
    xterm.file = dir.filePath(QStringLiteral("xterm.txt"));
    mousepad.name = QStringLiteral("mousepad");
    mousepad.file = dir.filePath(QStringLiteral("mousepad.txt"));
    QFile(mousepad.file).open(QIODevice::WriteOnly);
    QProcessEnvironment env = palette.environment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    for (Editor* e : {&xterm, &mousepad}) e->process.setProcessEnvironment(env);
    xterm.process.start(QStringLiteral("xterm"), {QStringLiteral("-u8"), QStringLiteral("-e"), QStringLiteral("sh"),
                                                  QStringLiteral("-c"), QStringLiteral("stty -icanon; exec cat > \"$0\""),
                                                  xterm.file});
    mousepad.process.start(QStringLiteral("mousepad"), {QStringLiteral("--disable-server"), mousepad.file});
    for (Editor* e : {&xterm, &mousepad}) {
        if (!e->process.waitForStarted() || !waitUntil(15000, [&] {
                x.processPendingEvents();
                const auto ws = ewmh::windowsOfPid(x, e->pid());
                e->window = ws.isEmpty() ? 0 : ws.last();
                return e->window != 0;
            })) {
            tool::err() << "bench insert: " << e->name << " did not start" << Qt::endl;
            return 1;
        }
    }
    std::vector<char32_t> cells;
    for (char32_t c = U'a'; c <= U'z'; ++c) cells.push_back(c);
    for (char32_t c = U'A'; c <= U'Z'; ++c) cells.push_back(c);
    if (!waitUntil(15000, [&] { return !cellRect(bus, cells.front()).isEmpty(); })) {
        tool::err() << "bench insert: the palette shows no letters" << Qt::endl;
        return 1;
    }
    XWindowAttributes a{};
    const X11Session::Window paletteWindow = ewmh::windowsOfPid(x, ours).value(0);
    XGetWindowAttributes(x.display(), paletteWindow, &a);
    int px = 0, py = 0;
    Window child = 0;
    XTranslateCoordinates(x.display(), paletteWindow, x.rootWindow(), 0, 0, &px, &py, &child);
    const QPoint outside(px > 300 ? px - 100 : px + a.width + 100, py + a.height / 2);
    moveTo(x, outside);

    Busy busy(args.contains(QStringLiteral("--busy")));
    int switches = 0, failedSwitches = 0, failedClicks = 0;
    std::size_t next = 0;
    for (int i = 0; i < count; ++i) {
        Editor& target = i % 2 ? mousepad : xterm;
        // Alt+Tab until the target is the active window (the palette is no stop of the cycle).
        for (int tries = 0; tries < 4 && ewmh::windowPid(x, ewmh::activeWindow(x)) != target.pid(); ++tries) {
            const X11Session::Window before = ewmh::activeWindow(x);
            chord(x, {XK_Alt_L, XK_Tab});
            ++switches;
            waitUntil(2000, [&] { return ewmh::activeWindow(x) != before; });
        }
        // The switch is over when the palette, too, knows the target as the window the
        // user works in.
        if (ewmh::windowPid(x, ewmh::activeWindow(x)) != target.pid() ||
            !poll(bus, 2000, [&](const QVariantMap& s) {
                return ewmh::windowPid(x, s.value(QStringLiteral("handBackTo")).toULongLong()) == target.pid();
            })) {
            ++failedSwitches;
            continue;
        }
        // Every click on another cell than the one before (two on one cell make a double
        // click), the next letter in view: the recent characters above push rows down.
        char32_t c = 0;
        QRect cell;
        for (std::size_t k = 1; k <= cells.size() && cell.isEmpty(); ++k) {
            c = cells[(next + k) % cells.size()];
            cell = cellRect(bus, c);
        }
        if (cell.isEmpty()) {
            ++failedClicks;
            continue;
        }
        next = std::size_t(std::find(cells.begin(), cells.end(), c) - cells.begin());
        moveTo(x, cell.center());
        // A hand clicks once the palette has answered the pointer: the cell selected and
        // magnified, the keyboard taken for the pointer. The time runs from the click.
        if (!poll(bus, 5000, [c](const QVariantMap& s) {
                return s.value(QStringLiteral("selected")).toUInt() == uint(c) && s.value(QStringLiteral("magnified")).toUInt() == uint(c) &&
                       s.value(QStringLiteral("keyboardHold")).toString() == QLatin1String("pointer");
            })) {
            ++failedClicks;
            continue;
        }
        const QByteArray before = fileBytes(xterm.file);
        XTestFakeButtonEvent(x.display(), 1, True, CurrentTime);
        XTestFakeButtonEvent(x.display(), 1, False, CurrentTime);
        x.flush();
        const qint64 released = monotonicNs();
        target.expected += QString::fromUcs4(&c, 1);
        const bool arrived = &target == &xterm ? waitUntil(5000, [&] { return fileBytes(xterm.file).size() > before.size(); })
                                               : waitUntil(5000, [&] { return mousepad.changed(x); });
        if (arrived) target.ms.push_back(double(monotonicNs() - released) / 1e6);
        // The pointer leaves; the application has the keyboard again.
        moveTo(x, outside);
        poll(bus, 5000, [&](const QVariantMap& s) {
            return ewmh::windowPid(x, s.value(QStringLiteral("keyboardOwner")).toULongLong()) == target.pid();
        });
        if (&target == &mousepad && mousepad.changed(x)) {
            chord(x, {XK_Control_L, XK_s});
            waitUntil(5000, [&] { return !mousepad.changed(x); });
        }
    }

    // What each application holds, against what it should.
    const QString gotX = QString::fromUtf8(fileBytes(xterm.file));
    const QString gotM = QString::fromUtf8(fileBytes(mousepad.file));
    const int ctrlV = int(gotX.count(QChar(0x16)) + gotM.count(QChar(0x16)));
    auto missing = [](const QString& expected, const QString& got) {
        int lost = 0, j = 0;
        for (int i = 0; i < expected.size(); ++i) {
            if (j < got.size() && got[j] == expected[i]) ++j;
            else ++lost;
        }
        return lost;
    };
    const int lost = missing(xterm.expected, gotX) + missing(mousepad.expected, gotM);
    const int wrong = int(std::max<qsizetype>(0, gotX.size() - (xterm.expected.size() - missing(xterm.expected, gotX))) +
                          std::max<qsizetype>(0, gotM.size() - (mousepad.expected.size() - missing(mousepad.expected, gotM))));
    tool::out() << "insertions: " << count << " (" << switches << " Alt+Tab presses, " << failedSwitches
                << " switches that did not take, " << failedClicks << " clicks not made)" << Qt::endl;
    tool::out() << "lost: " << lost << ", in the wrong application: " << wrong << ", raw Ctrl+V: " << ctrlV << Qt::endl;
    bool ok = lost == 0 && wrong == 0 && ctrlV == 0 && failedSwitches == 0 && failedClicks == 0;
    for (Editor* e : {&xterm, &mousepad}) {
        if (e->ms.empty()) {
            ok = false;
            continue;
        }
        ok = tool::reportTiming(e == &xterm ? QStringLiteral("typed into xterm, release to arrival")
                                            : QStringLiteral("pasted into mousepad, release to arrival"),
                                summary(e->ms), e == &xterm ? TypedTargetMs : PastedTargetMs) &&
             ok;
    }
    for (Editor* e : {&xterm, &mousepad}) {
        e->process.kill();
        e->process.waitForFinished(3000);
    }
    palette.launch().quit();
    return ok ? 0 : 1;
}

} // namespace

int tool::runInsertEditorsBench(const QStringList& args) { return runEditors(args); }
