#include "platform/x11/X11KeyTyper.h"

#include "core/Log.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11Session.h"

#include <QCoreApplication>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace kx::x11 {

X11KeyTyper& X11KeyTyper::shared() {
    static X11KeyTyper* t = new X11KeyTyper();
    return *t;
}

X11KeyTyper::X11KeyTyper(X11Session* session, X11Keyboard* keyboard, QObject* parent)
    : QObject(parent), session_(session ? session : &X11Session::shared()),
      keyboard_(keyboard ? keyboard : &X11Keyboard::shared()) {
    clock_.start();
    if (!session_->isAvailable()) return;
    int ev = 0, err = 0, major = 0, minor = 0;
    available_ = XTestQueryExtension(session_->display(), &ev, &err, &major, &minor);
    if (!available_) log(QStringLiteral("X11: no XTEST extension; keys cannot be typed"));
    connect(keyboard_, &X11Keyboard::changed, this, &X11KeyTyper::checkBindings);
    // The keymap is left as it was found.
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &X11KeyTyper::releaseBindings);
}

X11KeyTyper::~X11KeyTyper() { releaseBindings(); }


void X11KeyTyper::flush() {
    if (session_->isAvailable()) XFlush(session_->display());
}

void X11KeyTyper::setKeyDown(int keycode, bool down) {
    if (!available_ || keycode <= 0) return;
    XTestFakeKeyEvent(session_->display(), static_cast<unsigned>(keycode), down ? True : False, CurrentTime);
}

void X11KeyTyper::tapKey(int keycode) {
    setKeyDown(keycode, true);
    setKeyDown(keycode, false);
    flush();
}

void X11KeyTyper::releaseHeldModifiers() {
    if (!available_) return;
    const QList<int> mods = keyboard_->modifierKeycodes();
    for (int kc : keyboard_->pressedKeys())
        if (mods.contains(kc)) setKeyDown(kc, false);
    flush();
}

bool X11KeyTyper::canType(const QString& text, QString* why) {
    QList<Stroke> strokes;
    QList<Keysym> unbound;
    return plan(text, strokes, unbound, why);
}

bool X11KeyTyper::plan(const QString& text, QList<Stroke>& strokes, QList<Keysym>& unbound, QString* why) {
    std::shared_ptr<XkbKeymap> keymap = keyboard_->keymap();
    if (!available_ || !keymap) {
        if (why) *why = QStringLiteral("no keyboard");
        return false;
    }
    const int group = keyboard_->group();
    for (char32_t c : text.toUcs4()) {
        const Keysym sym = charToKeysym(c);
        if (!sym) {
            if (why) *why = QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0'));
            return false;
        }
        XkbKeymap::Stroke s;
        if (bound_.contains(sym)) {
            // Typed on the spare key bound before (which also keeps that binding alive).
            strokes.append({0, KeyMods::Plain});
            unbound.append(sym);
        } else if (keymap->findKeysym(sym, group, s)) {
            strokes.append({s.keycode, s.mods});
        } else if (c < 0x20 || c == 0x7F) {
            // A control key missing from the layout cannot be made up.
            if (why) *why = QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0'));
            return false;
        } else {
            strokes.append({0, KeyMods::Plain});
            unbound.append(sym);
        }
    }
    return true;
}

QList<int> X11KeyTyper::spareKeycodes() {
    if (sparesKnown_) return spares_;
    sparesKnown_ = true;
    Display* dpy = session_->display();
    int minKc = 0, maxKc = 0, per = 0;
    XDisplayKeycodes(dpy, &minKc, &maxKc);
    KeySym* syms = XGetKeyboardMapping(dpy, static_cast<KeyCode>(minKc), maxKc - minKc + 1, &per);
    if (!syms) return spares_;
    // From the top down: the high keycodes are the ones no keyboard has.
    for (int kc = maxKc; kc >= minKc; --kc) {
        bool empty = true;
        for (int i = 0; i < per && empty; ++i)
            empty = syms[(kc - minKc) * per + i] == NoSymbol;
        if (empty) spares_.append(kc);
    }
    XFree(syms);
    return spares_;
}

int X11KeyTyper::bindSpare(Keysym sym) {
    const qint64 now = clock_.elapsed();
    auto it = bound_.find(sym);
    if (it != bound_.end()) {
        it->lastUsedMs = now;
        return it->keycode;
    }
    int keycode = 0;
    for (int kc : spareKeycodes()) {
        bool used = false;
        for (const Binding& b : std::as_const(bound_)) used = used || b.keycode == kc;
        if (!used) {
            keycode = kc;
            break;
        }
    }
    if (!keycode) {
        // All spares are bound: take the least recently used, but only once the
        // receiver has had the time to read its binding.
        auto oldest = bound_.end();
        for (auto b = bound_.begin(); b != bound_.end(); ++b)
            if (oldest == bound_.end() || b->lastUsedMs < oldest->lastUsedMs) oldest = b;
        if (oldest == bound_.end()) return 0;
        const qint64 age = now - oldest->lastUsedMs;
        if (age < releaseDelayMs_) {
            flush();
            QThread::msleep(static_cast<unsigned long>(releaseDelayMs_ - age));
        }
        keycode = oldest->keycode;
        bound_.erase(oldest);
    }
    KeySym pair[2] = {static_cast<KeySym>(sym), static_cast<KeySym>(sym)};
    XChangeKeyboardMapping(session_->display(), keycode, 2, pair, 1);
    bound_.insert(sym, Binding{keycode, clock_.elapsed()});
    return keycode;
}

void X11KeyTyper::checkBindings() {
    if (bound_.isEmpty()) return;
    // Read now: a notice of the group alone leaves an older keymap in place.
    keyboard_->reload();
    std::shared_ptr<XkbKeymap> keymap = keyboard_->keymap();
    if (!keymap) return;
    for (auto it = bound_.begin(); it != bound_.end();) {
        // Our bindings are core mappings: the first group's plain level.
        if (keymap->keysym(it->keycode, 0, KeyMods::Plain) != it.key()) it = bound_.erase(it);
        else ++it;
    }
}

void X11KeyTyper::releaseBindings() {
    if (bound_.isEmpty() || !session_->isAvailable()) {
        bound_.clear();
        return;
    }
    KeySym none[2] = {NoSymbol, NoSymbol};
    for (const Binding& b : std::as_const(bound_))
        XChangeKeyboardMapping(session_->display(), b.keycode, 2, none, 1);
    bound_.clear();
    XFlush(session_->display());
}

void X11KeyTyper::press(const Stroke& s) {
    std::shared_ptr<XkbKeymap> keymap = keyboard_->keymap();
    const bool shift = s.mods == KeyMods::Shift || s.mods == KeyMods::ShiftOption;
    const bool option = s.mods == KeyMods::Option || s.mods == KeyMods::ShiftOption;
    const int shiftKey = keymap ? keymap->shiftKeycode() : 0;
    const int optionKey = keymap ? keymap->optionKeycode() : 0;
    if (shift) setKeyDown(shiftKey, true);
    if (option) setKeyDown(optionKey, true);
    setKeyDown(s.keycode, true);
    setKeyDown(s.keycode, false);
    if (option) setKeyDown(optionKey, false);
    if (shift) setKeyDown(shiftKey, false);
}

bool X11KeyTyper::typeText(const QString& text) {
    QList<Stroke> strokes;
    QList<Keysym> unbound;
    QString why;
    if (!plan(text, strokes, unbound, &why)) {
        log(QStringLiteral("cannot type %1").arg(why));
        return false;
    }
    qsizetype u = 0;
    for (Stroke& s : strokes) {
        if (!s.keycode) {
            s.keycode = bindSpare(unbound.at(u++));
            if (!s.keycode) {
                log(QStringLiteral("no spare keycode left for typing"));
                return false;
            }
        }
        press(s);
    }
    flush();
    return true;
}

} // namespace kx::x11
