#include "insertion/KXTap.h"

#include "core/Bundle.h"
#include "core/Log.h"
#include "platform/x11/MacKeyCodes.h"
#include "platform/x11/X11KeyTyper.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11RawEvents.h"

#include <QList>
#include <algorithm>

namespace kx {

using namespace tapevent;

namespace {
QList<KXTap*>& enabledTaps() {
    static QList<KXTap*> taps;
    return taps;
}
} // namespace

KXTap::KXTap(std::shared_ptr<const InsertionSettings> settings, QObject* parent)
    : QObject(parent), settings_(settings ? std::move(settings) : InsertionSettings::store()) {}

KXTap::~KXTap() { setEnabled(false); }

bool KXTap::tappingAvailable() {
    return x11::X11RawEvents::available() && x11::X11KeyTyper::shared().isAvailable();
}

QString KXTap::stringForEventType(int type) {
    switch (type) {
    case TapDisabledByTimeout: return QStringLiteral("TapDisabledByTimeout");
    case TapDisabledByUserInput: return QStringLiteral("TapDisabledByUserInput");
    case Null: return QStringLiteral("Null");
    case LeftMouseDown: return QStringLiteral("LeftMouseDown");
    case LeftMouseUp: return QStringLiteral("LeftMouseUp");
    case RightMouseDown: return QStringLiteral("RightMouseDown");
    case RightMouseUp: return QStringLiteral("RightMouseUp");
    case MouseMoved: return QStringLiteral("MouseMoved");
    case LeftMouseDragged: return QStringLiteral("LeftMouseDragged");
    case RightMouseDragged: return QStringLiteral("RightMouseDragged");
    case KeyDown: return QStringLiteral("KeyDown");
    case KeyUp: return QStringLiteral("KeyUp");
    case FlagsChanged: return QStringLiteral("FlagsChanged");
    case ScrollWheel: return QStringLiteral("ScrollWheel");
    case TabletPointer: return QStringLiteral("TabletPointer");
    case TabletProximity: return QStringLiteral("TabletProximity");
    case OtherMouseDown: return QStringLiteral("OtherMouseDown");
    case OtherMouseUp: return QStringLiteral("OtherMouseUp");
    case OtherMouseDragged: return QStringLiteral("OtherMouseDragged");
    default: return QStringLiteral("unknown(#%1)").arg(type);
    }
}

QString KXTap::maskDescription(std::uint64_t mask) {
    QString s = QStringLiteral("%1=").arg(mask, 8, 16, QLatin1Char('0')).toUpper();
    auto pair = [&s, mask](const char* letter, int down, int up) {
        const bool d = mask & maskBit(down), u = mask & maskBit(up);
        if (!d && !u) return;
        s += QLatin1String(letter);
        if (d && !u) s += u'+';
        else if (u && !d) s += u'-';
    };
    pair("K", KeyDown, KeyUp);
    pair("L", LeftMouseDown, LeftMouseUp);
    pair("R", RightMouseDown, RightMouseUp);
    pair("3", OtherMouseDown, OtherMouseUp);
    if (mask & maskBit(MouseMoved)) s += u'M';
    if (mask & (maskBit(LeftMouseDragged) | maskBit(RightMouseDragged) | maskBit(OtherMouseDragged))) {
        s += u'D';
        if (mask & maskBit(LeftMouseDragged)) s += u'l';
        if (mask & maskBit(RightMouseDragged)) s += u'r';
        if (mask & maskBit(OtherMouseDragged)) s += u'3';
    }
    if (mask & maskBit(FlagsChanged)) s += u'F';
    if (mask & maskBit(ScrollWheel)) s += u'S';
    if (mask & (maskBit(TabletPointer) | maskBit(TabletProximity))) s += u'T';
    return s;
}

QString KXTap::installedTapsInfo() {
    const QList<KXTap*>& taps = enabledTaps();
    if (taps.isEmpty()) return QStringLiteral("no taps installed\n");
    QString out;
    int n = 0;
    for (KXTap* tap : taps) {
        const auto& d = tap->durations_;
        const double lo = *std::min_element(d.begin(), d.end());
        const double hi = *std::max_element(d.begin(), d.end());
        double avg = 0;
        for (double v : d) avg += v;
        avg /= double(d.size());
        QString latency;
        if (hi > 0) latency = QStringLiteral(" (%1-%2-%3)").arg(lo, 0, 'f', 3).arg(avg, 0, 'f', 3).arg(hi, 0, 'f', 3);
        out += QStringLiteral("%1[%2%3%4]: %5%6: %7\n")
                   .arg(++n)
                   .arg(QLatin1String(tap->isAnnotated_ ? "A" : "S"))
                   .arg(QLatin1String(tap->enabled_ ? "+" : "-"))
                   .arg(tap->isFilter_ ? QString() : QStringLiteral("r/o"))
                   .arg(QStringLiteral("%1 V%2").arg(Bundle::mainBundle().executableName(), Bundle::mainBundle().shortVersionString()))
                   .arg(latency)
                   .arg(maskDescription(tap->eventsOfInterest_));
    }
    return out;
}

void KXTap::setRunsInSeparateThread(bool on) {
    if (enabled_) {
        log(QStringLiteral("Cannot change threading of enabled tap"));
        return;
    }
    runsInSeparateThread_ = on;
}

void KXTap::setDelegate(KXTapDelegate* delegate) {
    delegate_ = delegate;
    delegateCanHandleTapping_ = delegate != nullptr;
}

void KXTap::setEnabled(bool on) {
    if (on == enabled_) return;
    if (on) enableTap();
    else disableTap();
}

void KXTap::enableTap() {
    usePostingEventQueue_ = true;
    int kinds = 0;
    using R = x11::X11RawEvents;
    const auto m = eventsOfInterest_;
    if (m & (maskBit(KeyDown) | maskBit(FlagsChanged))) kinds |= 1 << R::KeyDown;
    if (m & (maskBit(KeyUp) | maskBit(FlagsChanged))) kinds |= 1 << R::KeyUp;
    if (m & (maskBit(LeftMouseDown) | maskBit(RightMouseDown) | maskBit(OtherMouseDown) | maskBit(ScrollWheel)))
        kinds |= 1 << R::ButtonDown;
    if (m & (maskBit(LeftMouseUp) | maskBit(RightMouseUp) | maskBit(OtherMouseUp))) kinds |= 1 << R::ButtonUp;
    if (m & (maskBit(MouseMoved) | maskBit(LeftMouseDragged) | maskBit(RightMouseDragged) | maskBit(OtherMouseDragged)))
        kinds |= 1 << R::Moved | 1 << R::ButtonDown | 1 << R::ButtonUp;
    raw_ = std::make_unique<R>(kinds, [this](const R::Event& e) {
        const int type = typeForRaw(e.kind, e.detail);
        if (type == Null || !(eventsOfInterest_ & maskBit(type))) return;
        KXTapEvent ev;
        ev.type = type;
        ev.time = e.time;
        if (e.kind == R::KeyDown || e.kind == R::KeyUp) {
            ev.xKeycode = e.detail;
            ev.keyCode = x11::macKeyForXKeycode(e.detail);
        } else {
            ev.button = e.detail;
        }
        tapEvent(ev, type, true);
    });
    if (!raw_->isListening()) {
        log(QStringLiteral("** exception Could not create tap"));
        raw_.reset();
        return;
    }
    enabled_ = true;
    tapProxy_ = false;
    enabledTaps().append(this);
}

void KXTap::disableTap() {
    raw_.reset();
    enabled_ = false;
    tapProxy_ = false;
    enabledTaps().removeAll(this);
}

int KXTap::typeForRaw(int kind, int detail) {
    using R = x11::X11RawEvents;
    switch (kind) {
    case R::KeyDown:
    case R::KeyUp:
        if (x11::X11Keyboard::shared().modifierKeycodes().contains(detail)) return FlagsChanged;
        return kind == R::KeyDown ? KeyDown : KeyUp;
    case R::ButtonDown:
        if (detail >= 4 && detail <= 7) return ScrollWheel;
        if (detail > 0 && detail < 32) buttonsDown_ |= 1 << detail;
        return detail == 1 ? LeftMouseDown : detail == 3 ? RightMouseDown : OtherMouseDown;
    case R::ButtonUp:
        if (detail >= 4 && detail <= 7) return Null;
        if (detail > 0 && detail < 32) buttonsDown_ &= ~(1 << detail);
        return detail == 1 ? LeftMouseUp : detail == 3 ? RightMouseUp : OtherMouseUp;
    case R::Moved:
        if (buttonsDown_ & (1 << 1)) return LeftMouseDragged;
        if (buttonsDown_ & (1 << 3)) return RightMouseDragged;
        if (buttonsDown_) return OtherMouseDragged;
        return MouseMoved;
    }
    return Null;
}

void KXTap::tapEvent(const KXTapEvent& event, int type, bool proxy) {
    QElapsedTimer t;
    t.start();
    if (proxy) tapProxy_ = true;
    {
        std::lock_guard lock(mutex_);
        if (delegate_ && delegateCanHandleTapping_) {
            bool passOn = true;
            try {
                passOn = delegate_->tapEvent(event, type);
            } catch (const std::exception& e) {
                log(QStringLiteral("** exception %1").arg(QString::fromUtf8(e.what())));
            }
            if (!passOn && !swallowReported_) {
                swallowReported_ = true;
                log(QStringLiteral("events of other programs cannot be swallowed on X11"));
            }
        }
    }
    std::rotate(durations_.begin(), durations_.begin() + 1, durations_.end());
    durations_.back() = double(t.nsecsElapsed()) / 1e9;
}

} // namespace kx
