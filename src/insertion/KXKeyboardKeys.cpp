// Which keys a keyboard has, their zones and fixed key-cap labels.
#include "insertion/KXKeyboard.h"

#include "core/Log.h"
#include "platform/x11/MacKeyCodes.h"

#include "core/Bundle.h"
#include "core/Plist.h"

#include <QHash>
#include <algorithm>

namespace kx {

namespace {

// "0-9,11,20-22" → the listed codes, limited to 0-127.
std::bitset<128> parseKeyList(const QString& text) {
    std::bitset<128> keys;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        const QStringList ends = part.trimmed().split(u'-');
        bool ok1 = false, ok2 = true;
        int from = ends.value(0).toInt(&ok1), to = from;
        if (ends.size() == 2) to = ends.at(1).toInt(&ok2);
        if (!ok1 || !ok2 || ends.size() > 2) continue;
        from = std::max(from, 0);
        to = std::min(to, 127);
        for (int k = from; k <= to; ++k) keys.set(static_cast<std::size_t>(k));
    }
    return keys;
}

} // namespace

void KXKeyboard::loadPhysicalKeys() const {
    if (physicalKeysKnown_) return;
    physicalKeysKnown_ = true;
    physicalKeys_.set();
    const QString path = Bundle::mainBundle().pathForResource(QStringLiteral("physicalKeys"), QStringLiteral("plist"));
    const plist::Result read = path.isEmpty() ? plist::Result{{}, QStringLiteral("missing")} : plist::readFile(path);
    if (!read.ok() || read.value.typeId() != QMetaType::QVariantMap) {
        log(QStringLiteral("*** Could not read physicalKeys dictionary"));
        return;
    }
    const QVariantMap entries = read.value.toMap();
    const int known = knownKeyboardType(keyboardType_);
    const QVariant entry = entries.value(QString::number(known));
    if (entry.typeId() != QMetaType::QString) {
        log(QStringLiteral("*** physicalKeys not found for keyboard type %1(%2)").arg(keyboardType_).arg(known));
        return;
    }
    physicalKeys_ = parseKeyList(entry.toString());
    log(QStringLiteral("%1 keys available").arg(physicalKeys_.count()));
}

int KXKeyboard::keyboardZoneForKey(int k) {
    auto in = [k](std::initializer_list<int> list) {
        return std::find(list.begin(), list.end(), k) != list.end();
    };
    if (k < 0 || k >= 128) return 128;
    if ((k <= 35) || (k >= 37 && k <= 47) || k == 49 || k == 50) return 1;
    if (in({36, 48, 51, 53, 55, 56, 57, 58, 59, 76, 114, 117})) return 2;
    if (in({115, 116, 119, 121, 123, 124, 125, 126})) return 4;
    if (in({65, 67, 69, 71, 75, 78, 91, 92}) || (k >= 81 && k <= 89)) return 8;
    if (in({64, 79, 80, 90, 96, 97, 98, 99, 100, 101, 103, 105, 106, 107, 109, 111, 113, 118, 120, 122}))
        return 16;
    return 128;
}

int KXKeyboard::knownKeyboardType(int type) {
    if (type == 59) return 44;
    if (type == 62) return 47;
    static const int known[] = {1, 2, 3, 4, 5, 8, 9, 10, 12, 13, 14, 16, 17, 18, 20, 21, 22, 24,
                                27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42,
                                43, 44, 45, 46, 47, 48, 95, 195, 196, 197, 198, 199, 200, 201,
                                202, 203, 204, 205, 206, 207, 1202, 1203, 1207};
    return std::binary_search(std::begin(known), std::end(known), type) ? type : 0;
}

int KXKeyboard::keyboardTypeForKeymap(const x11::XkbKeymap& keymap, int group) {
    // JIS keyboards have the Yen and Ro keys; ISO ones the key beside left Shift.
    const int yen = x11::xKeycodeForMacKey(93), ro = x11::xKeycodeForMacKey(94);
    if (keymap.hasSymbols(yen, group) && keymap.hasSymbols(ro, group) &&
        x11::keysymToChar(keymap.keysym(yen, group, x11::KeyMods::Plain)) != 0)
        return 42;
    if (keymap.hasSymbols(x11::xKeycodeForMacKey(10), group)) return 41;
    return 40;
}

QString KXKeyboard::labelForKey(int keyCode) const {
    static const QHash<int, QString> fixed = [] {
        QHash<int, QString> t;
        auto put = [&t](int k, char32_t c) { t.insert(k, QString::fromUcs4(&c, 1)); };
        put(36, U'\u21A9'); put(48, U'\u21E5'); put(51, U'\u232B'); put(53, U'\u238B');
        put(54, U'\u2318'); put(55, U'\u2318'); put(56, U'\u21E7'); put(60, U'\u21E7');
        put(57, U'\u21EA'); put(58, U'\u2325'); put(61, U'\u2325'); put(59, U'\u2303');
        put(62, U'\u2303'); put(71, U'\u2327'); put(76, U'\u2324');
        t.insert(114, QStringLiteral("?\u20DD"));
        put(115, U'\u2196'); put(116, U'\u21DE'); put(117, U'\u2326'); put(119, U'\u2198');
        put(121, U'\u21DF');
        t.insert(63, QStringLiteral("fn"));
        put(123, U'\u21E0'); put(124, U'\u21E2'); put(125, U'\u21E3'); put(126, U'\u21E1');
        const std::pair<int, int> fkeys[] = {
            {122, 1}, {145, 1}, {120, 2}, {144, 2}, {99, 3}, {160, 3}, {118, 4}, {130, 4},
            {96, 5}, {97, 6}, {98, 7}, {100, 8}, {101, 9}, {109, 10}, {103, 11}, {111, 12},
            {105, 13}, {107, 14}, {113, 15}, {106, 16}, {64, 17}, {79, 18}, {80, 19}, {90, 20}};
        for (auto [k, n] : fkeys) t.insert(k, QStringLiteral("F%1").arg(n));
        return t;
    }();
    const auto it = fixed.constFind(keyCode);
    if (it != fixed.constEnd()) return *it;
    loadKeyLabels();
    if (keyCode >= 0 && keyCode < 128) {
        const int index = keyAssignment_[static_cast<std::size_t>(keyCode)];
        if (index > 0 && index < keyLabels_.size()) {
            const char32_t c = keyLabels_.at(index).unicode();
            const char32_t upper = x11::keyLabelUpper(c);
            return QString::fromUcs4(upper <= 0xFFFF ? &upper : &c, 1);
        }
        if (!missingAssignmentReported_.test(static_cast<std::size_t>(keyCode))) {
            missingAssignmentReported_.set(static_cast<std::size_t>(keyCode));
            log(QStringLiteral("keyboard %1 (#%2) does not have key %3")
                    .arg(layoutName()).arg(keyboardType_).arg(keyCode));
        }
    }
    return {};
}

QString KXKeyboard::keysymNameForKey(int keyCode) const {
    const int xkc = x11::xKeycodeForMacKey(keyCode);
    if (xkc == 0 || !keymap_) return {};
    x11::Keysym sym = keymap_->keysym(xkc, group_, x11::KeyMods::Plain);
    if (!x11::isFunctionKeysym(sym)) return {};
    // A keypad key by what it types with Num Lock (KP_5, not KP_Begin).
    constexpr x11::Keysym KeypadFirst = 0xff80, KeypadLast = 0xffbd;
    if (sym >= KeypadFirst && sym <= KeypadLast) {
        const x11::Keysym digit = keymap_->keysymWithNumLock(xkc, group_);
        if (digit >= KeypadFirst && digit <= KeypadLast) sym = digit;
    }
    return x11::keysymName(sym);
}

} // namespace kx
