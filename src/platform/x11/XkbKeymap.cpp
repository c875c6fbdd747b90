#include "platform/x11/XkbKeymap.h"

#include <xkbcommon/xkbcommon.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <QByteArray>
#include <algorithm>
#include <array>
#include <utility>

namespace kx::x11 {

namespace {

xkb_context* newContext() { return xkb_context_new(XKB_CONTEXT_NO_FLAGS); }

// Dead keysyms and the spacing characters printed on their key caps.
constexpr std::array<std::pair<Keysym, char32_t>, 26> deadLabels{{
    {XKB_KEY_dead_grave, U'`'},          {XKB_KEY_dead_acute, U'\u00B4'},
    {XKB_KEY_dead_circumflex, U'^'},     {XKB_KEY_dead_tilde, U'~'},
    {XKB_KEY_dead_macron, U'\u00AF'},    {XKB_KEY_dead_breve, U'\u02D8'},
    {XKB_KEY_dead_abovedot, U'\u02D9'},  {XKB_KEY_dead_diaeresis, U'\u00A8'},
    {XKB_KEY_dead_abovering, U'\u02DA'}, {XKB_KEY_dead_doubleacute, U'\u02DD'},
    {XKB_KEY_dead_caron, U'\u02C7'},     {XKB_KEY_dead_cedilla, U'\u00B8'},
    {XKB_KEY_dead_ogonek, U'\u02DB'},    {XKB_KEY_dead_iota, U'\u037A'},
    {XKB_KEY_dead_voiced_sound, U'\u309B'}, {XKB_KEY_dead_semivoiced_sound, U'\u309C'},
    {XKB_KEY_dead_belowdot, U'.'},       {XKB_KEY_dead_hook, U'\u02C0'},
    {XKB_KEY_dead_horn, U'\u031B'},      {XKB_KEY_dead_stroke, U'/'},
    {XKB_KEY_dead_abovecomma, U'\u1FBF'}, {XKB_KEY_dead_abovereversedcomma, U'\u1FFE'},
    {XKB_KEY_dead_doublegrave, U'\u02F5'}, {XKB_KEY_dead_belowcomma, U','},
    {XKB_KEY_dead_currency, U'\u00A4'},  {XKB_KEY_dead_greek, U'\u00B5'},
}};

} // namespace

XkbKeymap::XkbKeymap(xkb_context* context, xkb_keymap* keymap)
    : context_(context), keymap_(keymap) {
    shiftMask_ = 1u << xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_SHIFT);
    controlMask_ = 1u << xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_CTRL);
    findModifierKeys();
}

XkbKeymap::~XkbKeymap() {
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

std::shared_ptr<XkbKeymap> XkbKeymap::fromNames(const QString& rules, const QString& model,
                                                const QString& layout, const QString& variant,
                                                const QString& options) {
    xkb_context* ctx = newContext();
    if (!ctx) return nullptr;
    const QByteArray r = rules.toUtf8(), m = model.toUtf8(), l = layout.toUtf8(),
                     v = variant.toUtf8(), o = options.toUtf8();
    xkb_rule_names names{};
    names.rules = r.isEmpty() ? nullptr : r.constData();
    names.model = m.isEmpty() ? nullptr : m.constData();
    names.layout = l.isEmpty() ? nullptr : l.constData();
    names.variant = v.isEmpty() ? nullptr : v.constData();
    names.options = o.isEmpty() ? nullptr : o.constData();
    xkb_keymap* km = xkb_keymap_new_from_names(ctx, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!km) {
        xkb_context_unref(ctx);
        return nullptr;
    }
    return std::shared_ptr<XkbKeymap>(new XkbKeymap(ctx, km));
}

bool XkbKeymap::setUpXkb(xcb_connection_t* connection) {
    if (!connection) return false;
    return xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                       XKB_X11_MIN_MINOR_XKB_VERSION,
                                       XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr,
                                       nullptr, nullptr) == 1;
}

std::shared_ptr<XkbKeymap> XkbKeymap::fromDevice(xcb_connection_t* connection) {
    if (!connection) return nullptr;
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    if (device < 0) return nullptr;
    xkb_context* ctx = newContext();
    if (!ctx) return nullptr;
    xkb_keymap* km = xkb_x11_keymap_new_from_device(ctx, connection, device,
                                                    XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!km) {
        xkb_context_unref(ctx);
        return nullptr;
    }
    return std::shared_ptr<XkbKeymap>(new XkbKeymap(ctx, km));
}

void XkbKeymap::findModifierKeys() {
    auto firstKeyWith = [this](Keysym wanted, int preferred) {
        int found = 0;
        for (xkb_keycode_t kc = xkb_keymap_min_keycode(keymap_);
             kc <= xkb_keymap_max_keycode(keymap_); ++kc) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap_, kc, 0, 0, &syms) >= 1 &&
                syms[0] == wanted) {
                if (static_cast<int>(kc) == preferred) return preferred;
                if (!found) found = static_cast<int>(kc);
            }
        }
        return found;
    };
    shiftKeycode_ = firstKeyWith(XKB_KEY_Shift_L, 50);
    altKeycode_ = firstKeyWith(XKB_KEY_Alt_L, 64);
    levelThreeKeycode_ = firstKeyWith(XKB_KEY_ISO_Level3_Shift, 108);

    auto maskOfKey = [this](int keycode) -> std::uint32_t {
        if (!keycode) return 0;
        xkb_state* st = xkb_state_new(keymap_);
        xkb_state_update_key(st, static_cast<xkb_keycode_t>(keycode), XKB_KEY_DOWN);
        const std::uint32_t m = xkb_state_serialize_mods(st, XKB_STATE_MODS_EFFECTIVE);
        xkb_state_unref(st);
        return m;
    };
    optionMask_ = maskOfKey(levelThreeKeycode_);
    if (!optionMask_) {
        levelThreeKeycode_ = 0;
        const xkb_mod_index_t alt = xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_ALT);
        optionMask_ = alt == XKB_MOD_INVALID ? 0 : (1u << alt);
    }
}

std::uint32_t XkbKeymap::maskFor(KeyMods mods) const {
    switch (mods) {
    case KeyMods::Plain: return 0;
    case KeyMods::Shift: return shiftMask_;
    case KeyMods::Option: return optionMask_;
    case KeyMods::ShiftOption: return shiftMask_ | optionMask_;
    case KeyMods::Command: return controlMask_;
    }
    return 0;
}

int XkbKeymap::groupCount() const { return static_cast<int>(xkb_keymap_num_layouts(keymap_)); }

QString XkbKeymap::groupName(int group) const {
    const char* n = xkb_keymap_layout_get_name(keymap_, static_cast<xkb_layout_index_t>(group));
    return n ? QString::fromUtf8(n) : QString();
}

int XkbKeymap::minKeycode() const { return static_cast<int>(xkb_keymap_min_keycode(keymap_)); }
int XkbKeymap::maxKeycode() const { return static_cast<int>(xkb_keymap_max_keycode(keymap_)); }

bool XkbKeymap::hasSymbols(int keycode, int group) const {
    const xkb_keysym_t* syms = nullptr;
    return keycode > 0 &&
           xkb_keymap_key_get_syms_by_level(keymap_, static_cast<xkb_keycode_t>(keycode),
                                            static_cast<xkb_layout_index_t>(group), 0, &syms) > 0;
}

Keysym XkbKeymap::keysym(int keycode, int group, KeyMods mods) const {
    if (keycode <= 0 || group < 0) return 0;
    const auto kc = static_cast<xkb_keycode_t>(keycode);
    const xkb_layout_index_t nGroups = xkb_keymap_num_layouts_for_key(keymap_, kc);
    if (nGroups == 0) return 0;
    // A key with fewer groups than the map wraps, as the server does.
    const auto g = static_cast<xkb_layout_index_t>(group) % nGroups;
    const std::uint32_t mask = maskFor(mods);
    const xkb_level_index_t nLevels = xkb_keymap_num_levels_for_key(keymap_, kc, g);
    // The level whose modifier masks match exactly; a level without masks is level 0.
    xkb_level_index_t level = 0;
    bool matched = (mask == 0);
    for (xkb_level_index_t lv = 0; lv < nLevels && !matched; ++lv) {
        xkb_mod_mask_t masks[16];
        const std::size_t n = xkb_keymap_key_get_mods_for_level(keymap_, kc, g, lv, masks, 16);
        for (std::size_t i = 0; i < n; ++i)
            if (masks[i] == mask) { level = lv; matched = true; break; }
    }
    if (!matched) {
        // Modifiers the key's type ignores (Ctrl on letters) leave the level as it is.
        xkb_state* st = xkb_state_new(keymap_);
        xkb_state_update_mask(st, mask, 0, 0, 0, 0, g);
        level = xkb_state_key_get_level(st, kc, g);
        xkb_state_unref(st);
    }
    const xkb_keysym_t* syms = nullptr;
    const int n = xkb_keymap_key_get_syms_by_level(keymap_, kc, g, level, &syms);
    return n == 1 ? syms[0] : 0;
}

Keysym XkbKeymap::keysymWithNumLock(int keycode, int group) const {
    if (keycode <= 0 || group < 0) return 0;
    const xkb_mod_index_t numLock = xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_NUM);
    if (numLock == XKB_MOD_INVALID) return 0;
    xkb_state* st = xkb_state_new(keymap_);
    xkb_state_update_mask(st, 0, 0, 1u << numLock, 0, 0, static_cast<xkb_layout_index_t>(group));
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(st, static_cast<xkb_keycode_t>(keycode));
    xkb_state_unref(st);
    return sym;
}

bool XkbKeymap::findKeysym(Keysym sym, int group, Stroke& out) const {
    if (!sym) return false;
    static constexpr KeyMods order[] = {KeyMods::Plain, KeyMods::Shift, KeyMods::Option,
                                        KeyMods::ShiftOption};
    for (KeyMods mods : order) {
        if ((mods == KeyMods::Option || mods == KeyMods::ShiftOption) && !optionMask_) continue;
        for (int kc = minKeycode(); kc <= maxKeycode(); ++kc) {
            if (keysym(kc, group, mods) == sym) {
                out.keycode = kc;
                out.mods = mods;
                return true;
            }
        }
    }
    return false;
}

char32_t keysymToChar(Keysym sym) {
    if (isDeadKeysym(sym)) return 0;
    return xkb_keysym_to_utf32(sym);
}

Keysym charToKeysym(char32_t c) {
    switch (c) {
    case U'\n': case U'\r': return XKB_KEY_Return;
    case U'\t': return XKB_KEY_Tab;
    case U'\b': return XKB_KEY_BackSpace;
    case 0x1B: return XKB_KEY_Escape;
    case 0x7F: return XKB_KEY_Delete;
    default: break;
    }
    if (c < 0x20 || c > 0x10FFFF || (c >= 0x80 && c < 0xA0)) return 0;
    return xkb_utf32_to_keysym(static_cast<std::uint32_t>(c));
}

bool isDeadKeysym(Keysym sym) {
    return sym >= 0xfe50 && sym <= 0xfe93;  // the dead-key block
}

QString keysymName(Keysym sym) {
    if (sym == 0) return {};
    char name[64];
    const int n = xkb_keysym_get_name(sym, name, sizeof name);
    return n > 0 ? QString::fromLatin1(name, std::min<int>(n, int(sizeof name) - 1)) : QString();
}

bool isFunctionKeysym(Keysym sym) {
    return (sym >= 0xff00 && sym <= 0xffff) || (sym >= 0x10080000 && sym <= 0x1008ffff);
}

char32_t deadKeysymLabel(Keysym sym) {
    for (const auto& [k, label] : deadLabels)
        if (k == sym) return label;
    return 0;
}

} // namespace kx::x11
