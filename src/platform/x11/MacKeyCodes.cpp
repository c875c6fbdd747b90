#include "platform/x11/MacKeyCodes.h"

#include <array>

namespace kx::x11 {
namespace {

// evdev codes of the positions; X keycodes are these plus 8.
constexpr std::array<int, 128> evdevForMac = [] {
    std::array<int, 128> t{};
    auto set = [&t](int mac, int evdev) { t[static_cast<std::size_t>(mac)] = evdev; };
    set(0, 30);   set(1, 31);   set(2, 32);   set(3, 33);   // A S D F
    set(4, 35);   set(5, 34);   set(6, 44);   set(7, 45);   // H G Z X
    set(8, 46);   set(9, 47);   set(10, 86);  set(11, 48);  // C V (ISO key) B
    set(12, 16);  set(13, 17);  set(14, 18);  set(15, 19);  // Q W E R
    set(16, 21);  set(17, 20);  set(18, 2);   set(19, 3);   // Y T 1 2
    set(20, 4);   set(21, 5);   set(22, 7);   set(23, 6);   // 3 4 6 5
    set(24, 13);  set(25, 10);  set(26, 8);   set(27, 12);  // = 9 7 -
    set(28, 9);   set(29, 11);  set(30, 27);  set(31, 24);  // 8 0 ] O
    set(32, 22);  set(33, 26);  set(34, 23);  set(35, 25);  // U [ I P
    set(36, 28);  set(37, 38);  set(38, 36);  set(39, 40);  // Return L J '
    set(40, 37);  set(41, 39);  set(42, 43);  set(43, 51);  // K ; \ ,
    set(44, 53);  set(45, 49);  set(46, 50);  set(47, 52);  // / N M .
    set(48, 15);  set(49, 57);  set(50, 41);  set(51, 14);  // Tab Space ` Backspace
    set(53, 1);                                             // Escape
    set(54, 97);  set(55, 29);                              // right/left Command = Ctrl
    set(56, 42);  set(57, 58);  set(58, 56);  set(59, 125); // Shift CapsLock Option=Alt Control=Super
    set(60, 54);  set(61, 100); set(62, 126); set(63, 0);   // right Shift, Option, Control; fn
    set(64, 187); set(65, 83);  set(67, 55);  set(69, 78);  // F17 KP. KP* KP+
    set(71, 69);  set(72, 115); set(73, 114); set(74, 113); // Clear(NumLock) VolUp VolDown Mute
    set(75, 98);  set(76, 96);  set(78, 74);  set(79, 188); // KP/ KPEnter KP- F18
    set(80, 189); set(81, 117); set(82, 82);  set(83, 79);  // F19 KP= KP0 KP1
    set(84, 80);  set(85, 81);  set(86, 75);  set(87, 76);  // KP2 KP3 KP4 KP5
    set(88, 77);  set(89, 71);  set(90, 190); set(91, 72);  // KP6 KP7 F20 KP8
    set(92, 73);  set(93, 124); set(94, 89);  set(95, 121); // KP9 Yen Ro KP,
    set(96, 63);  set(97, 64);  set(98, 65);  set(99, 61);  // F5 F6 F7 F3
    set(100, 66); set(101, 67); set(102, 122); set(103, 87); // F8 F9 Eisu F11
    set(104, 123); set(105, 183); set(106, 186); set(107, 184); // Kana F13 F16 F14
    set(109, 68); set(110, 127); set(111, 88); set(113, 185); // F10 Menu F12 F15
    set(114, 110); set(115, 102); set(116, 104); set(117, 111); // Help=Insert Home PageUp ForwardDelete
    set(118, 62); set(119, 107); set(120, 60); set(121, 109); // F4 End F2 PageDown
    set(122, 59); set(123, 105); set(124, 106); set(125, 108); // F1 Left Right Down
    set(126, 103);                                            // Up
    return t;
}();

} // namespace

int xKeycodeForMacKey(int macKey) {
    if (macKey < 0 || macKey >= 128) return 0;
    const int evdev = evdevForMac[static_cast<std::size_t>(macKey)];
    return evdev > 0 ? evdev + 8 : 0;
}

int macKeyForXKeycode(int xKeycode) {
    const int evdev = xKeycode - 8;
    if (evdev <= 0) return -1;
    for (int mac = 0; mac < 128; ++mac)
        if (evdevForMac[static_cast<std::size_t>(mac)] == evdev) return mac;
    return -1;
}

} // namespace kx::x11
