#include "insertion/KXTap.h"

#include "core/Log.h"
#include "platform/x11/MacKeyCodes.h"
#include "platform/x11/X11KeyTyper.h"

#include <QPointer>
#include <QTimer>

namespace kx {

namespace {
QPointer<KXEventGenerator>& currentGenerator() {
    static QPointer<KXEventGenerator> g;
    return g;
}
} // namespace

KXEventGenerator& KXEventGenerator::generator() {
    QPointer<KXEventGenerator>& g = currentGenerator();
    if (!g) {
        g = new KXEventGenerator();
        // Gone at the next pass of the event loop, like an object of the current pool.
        QTimer::singleShot(0, [p = g] { delete p.data(); });
    }
    return *g;
}

KXEventGenerator::KXEventGenerator(x11::X11KeyTyper* typer, QObject* parent)
    : QObject(parent), typer_(typer ? typer : &x11::X11KeyTyper::shared()) {
    blockUserEvents(true);
    // Keys the user holds would change what our keys mean.
    typer_->releaseHeldModifiers();
}

KXEventGenerator::~KXEventGenerator() {
    resetModifiers();
    blockUserEvents(false);
    typer_->flush();
}

void KXEventGenerator::blockUserEvents(bool) {
    // X has no suppression interval for local input; nothing to do.
}

void KXEventGenerator::setCarbonModifiers(int mask) {
    struct Mod { int bit; int key; };
    static constexpr Mod order[] = {{0x100, 55}, {0x200, 56}, {0x400, 57}, {0x800, 58}, {0x1000, 59}};
    for (const Mod& m : order) {
        const bool was = currentCarbonModifiers_ & m.bit, now = mask & m.bit;
        if (was != now) typer_->setKeyDown(x11::xKeycodeForMacKey(m.key), now);
    }
    currentCarbonModifiers_ = mask;
    typer_->flush();
}

void KXEventGenerator::setModifiers(std::uint32_t flags) {
    int mask = 0;
    if (flags & 0x100000) mask |= 0x100;
    if (flags & 0x20000) mask |= 0x200;
    if (flags & 0x10000) mask |= 0x400;
    if (flags & 0x80000) mask |= 0x800;
    if (flags & 0x40000) mask |= 0x1000;
    setCarbonModifiers(mask);
}

void KXEventGenerator::generateRawKey(int keyCode) {
    const int kc = x11::xKeycodeForMacKey(keyCode);
    if (!kc) {
        log(QStringLiteral("no key for key code %1").arg(keyCode));
        return;
    }
    typer_->tapKey(kc);
}

} // namespace kx
