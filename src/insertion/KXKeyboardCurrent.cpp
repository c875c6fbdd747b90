// The shared current keyboard, rebuilt when the server's keymap or group changes.
#include "insertion/KXKeyboard.h"

#include "platform/x11/X11Keyboard.h"

#include <QObject>
#include <QTimer>

namespace kx {

namespace {

std::unique_ptr<KXKeyboard>& currentSlot() {
    static std::unique_ptr<KXKeyboard> k;
    return k;
}

bool& watching() {
    static bool w = false;
    return w;
}

std::unique_ptr<KXKeyboard> buildFromServer() {
    x11::X11Keyboard& server = x11::X11Keyboard::shared();
    std::shared_ptr<x11::XkbKeymap> keymap = server.keymap();
    if (!keymap) return nullptr;
    const int group = server.group();
    return std::make_unique<KXKeyboard>(KXKeyboard::keyboardTypeForKeymap(*keymap, group), keymap, group,
                                        x11::XkbCompose::forCurrentLocale());
}

} // namespace

KXKeyboard* KXKeyboard::currentKeyboard() {
    if (!watching()) {
        watching() = true;
        x11::X11Keyboard& server = x11::X11Keyboard::shared();
        if (server.isAvailable()) {
            static QTimer* rebuild = [] {
                auto* t = new QTimer(&x11::X11Keyboard::shared());
                t->setSingleShot(true);
                t->setInterval(10);
                QObject::connect(t, &QTimer::timeout, [] { updateCurrentKeyboard(); });
                return t;
            }();
            QObject::connect(&server, &x11::X11Keyboard::changed, rebuild, [] { rebuild->start(); });
        }
        if (!currentSlot()) updateCurrentKeyboard();
    }
    return currentSlot().get();
}

void KXKeyboard::updateCurrentKeyboard() {
    if (auto k = buildFromServer()) currentSlot() = std::move(k);
}

void KXKeyboard::setCurrentKeyboard(std::unique_ptr<KXKeyboard> keyboard) {
    currentSlot() = std::move(keyboard);
}

} // namespace kx
