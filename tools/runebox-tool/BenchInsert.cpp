// runebox-tool bench insert --editors [--count N] [--busy]: the real palette against xterm
// and mousepad (BenchInsertEditors.cpp).
// runebox-tool bench insert [--probe PATH] [--runs N]: the time from the release of the
// mouse button over a cell of the open palette to the character's arrival in the
// application in front, on the typing road and on the pasting road (median of N, default
// 50). Needs an X display with a window manager and a session bus, and the test probe
// application (tests/x11/probe) as the receiver, which notes when its text changed:
//     tests/x11/x11-session build/tools/runebox-tool bench insert
// Settings are kept in a temporary folder for the run.

#include "Bench.h"
#include "BenchInsertEditors.h"
#include "BenchSession.h"

#include "app/PaletteAssembly.h"
#include "app/RbxCharWindow.h"
#include "app/RbxCharWindowController.h"
#include "insertion/KXPasteboardManager.h"
#include "kxlib/KXAppSettings.h"
#include "kxlib/RbxDefaults.h"
#include "model/RbxCharGroup.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"
#include "table/widgets/RbxCharView.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>
#include <functional>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

using tool::session::monotonicNs;

const QString ProbeService = QStringLiteral("org.runebox.TestProbe");

bool spinUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

// A call to the probe, waited for while our own event loop runs (our clipboard owner and
// palette keep answering meanwhile).
QVariant probeCall(const QString& method) {
    const QDBusMessage m = QDBusMessage::createMethodCall(ProbeService, QStringLiteral("/Probe"), ProbeService, method);
    QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(m, 5000);
    spinUntil([&pending] { return pending.isFinished(); }, 6000);
    return pending.reply().arguments().value(0);
}

// The probe's per-application settings: typing allowed ("directInsertion") or not, as the
// road measured wants.
bool setDirectInsertion(bool on) {
    QDir().mkpath(KXAppSettings::settingsFolder());
    QFile f(KXAppSettings::settingsFolder() + QStringLiteral("/probe.plist"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    f.write(QStringLiteral("{ pluginVersion = 1; \"/runebox-probe\" = { directInsertion = %1; }; }")
                .arg(on ? 1 : 0)
                .toUtf8());
    f.close();
    KXAppSettings::reloadSettings();
    return true;
}

QString probePath(const QStringList& args) {
    const int i = args.indexOf(QStringLiteral("--probe"));
    if (i >= 0 && i + 1 < args.size()) return args[i + 1];
    const QString env = qEnvironmentVariable("RUNEBOX_PROBE");
    if (!env.isEmpty()) return env;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../tests/x11/probe/runebox-probe"));
}

class InsertBench {
public:
    explicit InsertBench(int runs) : runs_(runs) {}

    int run(const QString& probe) {
        X11Session& x = X11Session::shared();
        if (QGuiApplication::platformName() != QLatin1String("xcb") || !x.isAvailable()) {
            tool::err() << "bench insert: needs an X display" << Qt::endl;
            return 2;
        }
        if (!QDBusConnection::sessionBus().isConnected()) {
            tool::err() << "bench insert: needs a session bus (run it inside tests/x11/x11-session)" << Qt::endl;
            return 2;
        }
        if (!QFileInfo(probe).isExecutable()) {
            tool::err() << "bench insert: no probe application at " << probe << " (give --probe PATH)" << Qt::endl;
            return 2;
        }
        probe_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        probe_.start(probe, {QStringLiteral("--no-clipboard-utility")});
        if (!spinUntil([] {
                return QDBusConnection::sessionBus().interface()->isServiceRegistered(ProbeService).value();
            }, 15000) ||
            !spinUntil([&x] { return ewmh::windowTitle(x, ewmh::activeWindow(x)) == u"runebox-probe"; }, 10000)) {
            tool::err() << "bench insert: the probe did not come to the front" << Qt::endl;
            return 1;
        }
        if (!openPalette()) return 1;

        bool ok = true;
        // Every click goes to another cell than the one before: two on the same cell would
        // make a double click, which inserts once.
        std::size_t next = 0;
        for (bool typing : {true, false}) {
            if (!setDirectInsertion(typing)) {
                tool::err() << "bench insert: cannot write the probe's settings" << Qt::endl;
                return 1;
            }
            std::vector<double> ms;
            for (int i = 0; i < runs_ + 3; ++i) {
                const auto t = insertOnce(cells_[next++ % cells_.size()]);
                if (!t) {
                    tool::err() << "bench insert: the character never arrived" << Qt::endl;
                    return 1;
                }
                if (i >= 3) ms.push_back(*t);   // the first ones warm up
            }
            std::sort(ms.begin(), ms.end());
            const tool::Timing timing{ms.front(), ms[ms.size() / 2]};
            ok = tool::reportTiming(typing ? QStringLiteral("typing road, release to arrival")
                                           : QStringLiteral("pasting road, release to arrival"),
                                    timing, typing ? 30 : 80) && ok;
        }
        spinUntil([] { return !kx::KXPasteboardManager::manager().restorePending(); }, 10000);
        return ok ? 0 : 1;
    }

    ~InsertBench() {
        view_ = nullptr;
        palette_ = nullptr;
        assembly_.reset();
        if (probe_.state() != QProcess::NotRunning) {
            probe_.terminate();
            if (!probe_.waitForFinished(3000)) probe_.kill();
        }
    }

private:
    bool openPalette() {
        RbxDefaults& d = RbxDefaults::userDefaults();
        d.setBool(false, QStringLiteral("animate window"));
        d.setFrontApplication(QStringLiteral("runebox-probe"));
        d.setApplicationInsertMode(InsertMode::Plain);
        assembly_ = std::make_unique<PaletteAssembly>(d, X11Session::shared(), nullptr);
        palette_ = &assembly_->windowController();
        palette_->load();
        palette_->openWindow(palette_);
        view_ = palette_->charView();
        if (!view_ || !spinUntil([this] {
                QWindow* w = palette_->window()->windowHandle();
                return w && w->isExposed() && view_->isVisible();
            }, 10000)) {
            tool::err() << "bench insert: the palette did not open" << Qt::endl;
            return false;
        }
        for (char32_t c = U'A'; c <= U'Z'; ++c) cells_.push_back(c);
        for (char32_t c = U'a'; c <= U'z'; ++c) cells_.push_back(c);
        view_->setGroups({RbxCharGroup::groupWithCharacters(cells_)});
        QCoreApplication::processEvents();
        return true;
    }

    // One click; the milliseconds from the release to the change of the probe's text.
    std::optional<double> insertOnce(char32_t c) {
        X11Session& x = X11Session::shared();
        probeCall(QStringLiteral("Clear"));
        if (!spinUntil([] { return probeCall(QStringLiteral("Text")).toString().isEmpty(); }, 5000)) return std::nullopt;
        const QRectF cell = view_->viewportRectFromTable(view_->rectForCharacterAtIndex(view_->indexOfCharacter(c)));
        const QPoint p = view_->viewport()->mapToGlobal(cell.center().toPoint());
        XTestFakeMotionEvent(x.display(), -1, p.x(), p.y(), CurrentTime);
        x.flush();
        if (!spinUntil([this, c] { return view_->selectedCharacter() == c; }, 5000)) return std::nullopt;
        XTestFakeButtonEvent(x.display(), 1, True, CurrentTime);
        x.flush();
        XTestFakeButtonEvent(x.display(), 1, False, CurrentTime);
        const qint64 released = monotonicNs();
        x.flush();
        const QString expected = QString::fromUcs4(&c, 1);
        if (!spinUntil([&expected] { return probeCall(QStringLiteral("Text")).toString() == expected; }, 10000))
            return std::nullopt;
        const qint64 arrived = probeCall(QStringLiteral("TextChangedNs")).toLongLong();
        return double(arrived - released) / 1e6;
    }

    int runs_;
    QProcess probe_;
    std::unique_ptr<PaletteAssembly> assembly_;
    RbxCharWindowController* palette_ = nullptr;
    RbxCharView* view_ = nullptr;
    std::vector<char32_t> cells_;
};

int runInsertBench(const QStringList& args) {
    if (args.contains(QStringLiteral("--editors"))) return tool::runInsertEditorsBench(args);
    int runs = 50;
    const int r = args.indexOf(QStringLiteral("--runs"));
    if (r >= 0 && r + 1 < args.size()) runs = std::max(1, args[r + 1].toInt());
    // The run's settings, recent characters and clipboard leave the user's alone.
    QTemporaryDir home;
    for (const char* var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        const QString dir = home.filePath(QString::fromLatin1(var));
        QDir().mkpath(dir);
        qputenv(var, dir.toLocal8Bit());
    }
    InsertBench bench(runs);
    return bench.run(probePath(args));
}

} // namespace

RBX_BENCH(insert, "a click in the palette to the character's arrival, typed and pasted (the probe; --editors: "
                  "xterm and mousepad switched by Alt+Tab)",
          runInsertBench);
