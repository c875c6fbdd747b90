// Case pairs of key labels, by the keysym case rules of Xlib.
#include "platform/x11/XkbKeymap.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace kx::x11 {

namespace {
char32_t convertCase(char32_t c, bool upper) {
    const Keysym sym = charToKeysym(c);
    if (!sym || c < 0x20) return c;
    KeySym lower = 0, up = 0;
    XConvertCase(static_cast<KeySym>(sym), &lower, &up);
    const char32_t r = keysymToChar(static_cast<Keysym>(upper ? up : lower));
    return r ? r : c;
}
} // namespace

char32_t keyLabelLower(char32_t c) { return convertCase(c, false); }
char32_t keyLabelUpper(char32_t c) { return convertCase(c, true); }

} // namespace kx::x11
