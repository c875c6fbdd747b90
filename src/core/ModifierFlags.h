#pragma once
// The modifier keys in their stored form (hot keys, the table's clicks and keys, the
// posting road): Shift 0x20000, Control 0x40000, Option 0x80000, Command 0x100000. On
// this desktop Command is Ctrl, Control is Super (Qt's Meta) and Option is Alt.

#include <Qt>
#include <cstdint>

namespace kx::modifier {

constexpr std::uint32_t Shift = 0x20000;
constexpr std::uint32_t Control = 0x40000;
constexpr std::uint32_t Option = 0x80000;
constexpr std::uint32_t Command = 0x100000;
// The four together.
constexpr std::uint32_t Mask = Shift | Control | Option | Command;

// Qt's modifiers in the stored form.
constexpr std::uint32_t fromQt(Qt::KeyboardModifiers m) {
    std::uint32_t flags = 0;
    if (m & Qt::ShiftModifier) flags |= Shift;
    if (m & Qt::MetaModifier) flags |= Control;
    if (m & Qt::AltModifier) flags |= Option;
    if (m & Qt::ControlModifier) flags |= Command;
    return flags;
}

// Whether a Qt key is a modifier or lock key itself, pressed alone.
constexpr bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return true;
    default:
        return false;
    }
}

} // namespace kx::modifier
