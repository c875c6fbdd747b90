// runebox-tool bench table: laying out the table of every defined character and painting
// one screenful of it, in this process; then the same table in the real palette, seen from
// outside it: the Down key (pressed through the X server with XTest) brings the next
// group's start into view, and the table's area on the screen is grabbed (XShm) until it
// stops changing. Timed: from the key to the last change, for every group from the first
// to the last. Without a display that part runs inside a private X session.
#include "Bench.h"
#include "BenchSession.h"
#include "ToolTable.h"

#include "model/RbxLayout.h"
#include "platform/x11/X11Session.h"
#include "table/widgets/RbxCharView.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace {

constexpr double LayoutTargetMs = 30;
constexpr double PaintTargetMs = 16;
// A screenful at a place not drawn before: the median, and the slowest of them.
constexpr double NewPlaceTargetMs = 8;
constexpr double NewPlaceWorstTargetMs = 16;

// The screen's pixels of a rectangle, grabbed through shared memory.
class ScreenArea {
public:
    ScreenArea(Display* display, const QRect& area) : display_(display), area_(area) {
        const int screen = DefaultScreen(display);
        image_ = XShmCreateImage(display, DefaultVisual(display, screen), unsigned(DefaultDepth(display, screen)), ZPixmap,
                                 nullptr, &shm_, unsigned(area.width()), unsigned(area.height()));
        if (!image_) return;
        shm_.shmid = shmget(IPC_PRIVATE, std::size_t(image_->bytes_per_line) * std::size_t(image_->height), IPC_CREAT | 0600);
        if (shm_.shmid < 0) return;
        shm_.shmaddr = image_->data = static_cast<char*>(shmat(shm_.shmid, nullptr, 0));
        shm_.readOnly = False;
        attached_ = image_->data != reinterpret_cast<char*>(-1) && XShmAttach(display, &shm_);
        XSync(display, False);
        shmctl(shm_.shmid, IPC_RMID, nullptr);
        if (attached_) previous_.resize(qsizetype(image_->bytes_per_line) * image_->height);
    }
    ~ScreenArea() {
        if (attached_) XShmDetach(display_, &shm_);
        if (image_ && image_->data && image_->data != reinterpret_cast<char*>(-1)) shmdt(shm_.shmaddr);
        if (image_) {
            image_->data = nullptr;
            XDestroyImage(image_);
        }
    }
    ScreenArea(const ScreenArea&) = delete;
    ScreenArea& operator=(const ScreenArea&) = delete;
    bool isValid() const { return attached_; }
    // Grabs the area; whether it differs from the last grab.
    bool changed() {
        if (!XShmGetImage(display_, DefaultRootWindow(display_), image_, area_.x(), area_.y(), AllPlanes)) return false;
        if (std::memcmp(previous_.constData(), image_->data, std::size_t(previous_.size())) == 0) return false;
        std::memcpy(previous_.data(), image_->data, std::size_t(previous_.size()));
        return true;
    }

private:
    Display* display_;
    QRect area_;
    XImage* image_ = nullptr;
    XShmSegmentInfo shm_{};
    bool attached_ = false;
    QByteArray previous_;
};

// From the key to the last change of the area: no change for SettleMs ends the wait.
constexpr double SettleMs = 150;
constexpr double LongestMs = 3000;

// Presses the key and answers the milliseconds to the area's last change; -1 for none.
double keyToLastChange(X11Session& x, ScreenArea& area, unsigned long keysym) {
    area.changed();
    const qint64 sent = tool::session::pressKey(x, keysym);
    double last = -1;
    for (;;) {
        const double now = double(tool::session::monotonicNs() - sent) / 1e6;
        if (now > LongestMs || (last >= 0 && now - last > SettleMs) || (last < 0 && now > 1000)) break;
        if (area.changed()) last = double(tool::session::monotonicNs() - sent) / 1e6;
        QThread::usleep(500);
    }
    return last;
}

// The new screenfuls of the real palette, timed from outside it.
int runFromOutside(const QString& fontName, const QStringList& args) {
    using namespace tool::session;
    PaletteBench palette("table", QStringList{QStringLiteral("--from-outside")} + args);
    if (!palette.open({{QStringLiteral("view"), QStringLiteral("3")}, {QStringLiteral("selectedFont"), fontName}}))
        return palette.exitCode();
    X11Session& x = palette.x();
    const QDBusConnection& bus = palette.bus();
    const auto state = [&](const char* key) { return debugState(bus).value(QLatin1String(key)); };
    // The pointer on the palette, which then keeps the keyboard, but on the table's scroll
    // bar, where no cell is under it; the keyboard in the table.
    const QRect shown = controlRect(bus, QStringLiteral("rbxCharView"));
    runQuietly(QStringLiteral("xdotool"),
               {QStringLiteral("mousemove"), QString::number(shown.right() - 4), QString::number(shown.center().y())},
               palette.environment());
    QThread::msleep(300);
    for (int i = 0; i < 40 && state("focus").toString() != QLatin1String("rbxCharView"); ++i) {
        const QString before = state("focus").toString();
        pressKey(x, XK_Tab);
        poll(bus, 2000, [&](const QVariantMap& s) { return s.value(QStringLiteral("focus")).toString() != before; });
    }
    const QRect table = controlRect(bus, QStringLiteral("rbxCharView"));
    if (state("focus").toString() != QLatin1String("rbxCharView") || table.isEmpty()) {
        tool::err() << "bench table: the palette's table did not take the keyboard" << Qt::endl;
        return 1;
    }
    ScreenArea area(x.display(), table);
    if (!area.isValid()) {
        tool::err() << "bench table: the screen cannot be grabbed (XShm)" << Qt::endl;
        return 1;
    }
    pressKey(x, XK_Home);
    QThread::msleep(1000);
    // Each group's start, one after the other, to the end of the table.
    std::vector<double> times;
    double worst = 0, previousScroll = -1;
    QString worstPlace;
    for (int i = 0; i < 1000; ++i) {
        const double ms = keyToLastChange(x, area, XK_Down);
        const double scroll = state("scroll").toDouble();
        if (scroll == previousScroll) break;
        previousScroll = scroll;
        if (ms < 0) {
            tool::err() << "bench table: the table did not change after the Down key" << Qt::endl;
            return 1;
        }
        times.push_back(ms);
        if (ms > worst) {
            worst = ms;
            worstPlace = QStringLiteral("the group start %1 points down").arg(scroll, 0, 'f', 0);
            for (char32_t c : {0x4E00u, 0xAC00u, 0x1F600u, 0x20000u})
                if (!cellRect(bus, c).isEmpty())
                    worstPlace += QStringLiteral(" (U+%1 in view)").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
        }
    }
    if (times.empty()) {
        tool::err() << "bench table: the Down key moved nothing" << Qt::endl;
        return 1;
    }
    tool::out() << "seen from outside (the palette, Down from group to group, " << times.size()
                << " new screenfuls to the screen's last change):" << Qt::endl;
    bool ok = tool::reportTiming(QStringLiteral("  a new screenful"), summary(times), NewPlaceTargetMs);
    tool::out() << "  slowest: " << QString::number(worst, 'f', 2) << " ms at " << worstPlace << " (target "
                << NewPlaceWorstTargetMs << " ms) " << (worst < NewPlaceWorstTargetMs ? "OK" : "SLOW") << Qt::endl;
    return ok && worst < NewPlaceWorstTargetMs ? 0 : 1;
}

int runTableBench(const QStringList& given) {
    QString fontName = QStringLiteral("DejaVuSans");
    int width = 1000, height = 700;
    QStringList args = given;
    // Inside the private X session only the palette is timed.
    const bool outsideOnly = args.removeAll(QStringLiteral("--from-outside")) > 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--font") && i + 1 < args.size()) fontName = args[++i];
        else if (args[i] == QLatin1String("--size") && i + 1 < args.size() &&
                 tool::table::parseSize(args[++i], &width, &height)) continue;
        else {
            tool::err() << "usage: runebox-tool bench table [--font PSNAME] [--size WxH]" << Qt::endl;
            return 2;
        }
    }
    if (outsideOnly) return runFromOutside(fontName, args);
    // Every defined character (view 3) in the "Unicode Blocks" layout.
    tool::table::TableSetup setup(3);
    QString error;
    if (!setup.bind(fontName, RbxLayout::unicodeBlocksName(), &error)) {
        tool::err() << error << Qt::endl;
        return 1;
    }
    QElapsedTimer allFonts;
    allFonts.start();
    setup.sources()->charactersInAllFonts();
    tool::out() << "characters of all fonts: " << allFonts.elapsed() << " ms (once)" << Qt::endl;
    QElapsedTimer building;
    building.start();
    const auto groups = setup.groups();
    tool::out() << "groups of the layout: " << building.elapsed() << " ms (once, font model)" << Qt::endl;

    RbxCharView view;
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(width, height);
    view.show();
    QApplication::processEvents();
    setup.show(view);
    // Only the timed drawing draws: no paint events of the window in between.
    view.setUpdatesEnabled(false);
    const RbxFontTuning tuning = view.tuning();
    const tool::Timing groupsTime = tool::time(5, [&] { view.setGroups(groups); });
    tool::out() << view.table().totalCount() << " characters in " << view.groups().size() << " groups, "
                << view.charactersPerRow() << " per row, table " << view.tableHeight() << " points high, viewport "
                << view.viewport()->width() << "x" << view.viewport()->height() << Qt::endl;
    bool ok = tool::reportTiming(QStringLiteral("taking the groups and laying them out"), groupsTime, LayoutTargetMs);
    ok = tool::reportTiming(QStringLiteral("layout"), tool::time(20, [&] { view.calculateSize(); }), LayoutTargetMs) && ok;

    // The screens are drawn into one image, as the window draws into its backing store: a
    // fresh image for every screen would time the system handing out its pages.
    const QRect viewportRect = view.viewport()->rect();
    const qreal ratio = view.viewport()->devicePixelRatioF();
    QImage screen(viewportRect.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    screen.setDevicePixelRatio(ratio);
    screen.fill(Qt::white);
    auto draw = [&] {
        QPainter painter(&screen);
        view.drawRect(painter, QRegion(viewportRect));
    };

    // Screens at places through the table: Latin, symbols, CJK (substituted or missing), the
    // end; once drawing the font's glyphs by number, once drawing every cell as text.
    for (bool asText : {false, true}) {
        RbxFontTuning t = tuning;
        t.requiresSafeDrawing = asText;
        view.setFont(setup.font(), t);
        view.setGroups(groups);
        tool::out() << (asText ? "drawn as text:" : "drawn as glyphs:") << Qt::endl;
        std::vector<double> cold, warm, step;
        char32_t slowestPlace = 0;
        for (char32_t c : {0x41u, 0x391u, 0x2190u, 0x4E00u, 0xAC00u, 0x1F600u, 0x20000u}) {
            view.scrollToCharacter(c);
            QApplication::processEvents();
            cold.push_back(tool::time(1, draw).best);
            if (cold.back() >= *std::max_element(cold.begin(), cold.end())) slowestPlace = c;
            warm.push_back(tool::time(10, draw).median);
        }
        // Two rows further each time: what a scroll step brings in.
        view.scrollToY(view.tableHeight());
        draw();
        for (int i = 0; i < 40; ++i) {
            view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() + int(view.charSize().height() * 2));
            step.push_back(tool::time(1, draw).best);
        }
        auto summary = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return tool::Timing{v.front(), v[v.size() / 2]};
        };
        ok = tool::reportTiming(QStringLiteral("  one screenful, glyphs laid out before"), summary(warm), PaintTargetMs) && ok;
        ok = tool::reportTiming(QStringLiteral("  one screenful after scrolling two rows"), summary(step), PaintTargetMs) && ok;
        ok = tool::reportTiming(QStringLiteral("  one screenful at a new place"), summary(cold), NewPlaceTargetMs) && ok;
        const double slowest = *std::max_element(cold.begin(), cold.end());
        tool::out() << "  slowest new place: " << QString::number(slowest, 'f', 2) << " ms at U+"
                    << QString::number(uint(slowestPlace), 16).toUpper().rightJustified(4, QLatin1Char('0')) << " (target "
                    << NewPlaceWorstTargetMs << " ms) " << (slowest < NewPlaceWorstTargetMs ? "OK" : "SLOW") << Qt::endl;
        ok = slowest < NewPlaceWorstTargetMs && ok;
    }
    const int outside = runFromOutside(fontName, args);
    return ok && outside == 0 ? 0 : std::max(1, outside);
}

} // namespace

RBX_BENCH(table, "laying out every defined character and painting one screenful (1000x700)", runTableBench);
