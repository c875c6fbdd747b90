#pragma once
// The key-code space of the keyboard code is the classic virtual key code of the
// other platform (0-127, ANSI positions); one fixed table maps it to X keycodes
// (evdev code + 8). Modifier keys follow the project's convention: Command is Ctrl,
// Control is Super, Option is Alt.

namespace kx::x11 {

// The X keycode at the position of a virtual key code; 0 when the position has no
// key on a PC keyboard.
int xKeycodeForMacKey(int macKey);

// The virtual key code of an X keycode; -1 when none.
int macKeyForXKeycode(int xKeycode);

} // namespace kx::x11
