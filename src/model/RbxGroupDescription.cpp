#include "model/RbxGroupDescription.h"

#include "core/RbxMacRoman.h"
#include "core/StringExtensions.h"
#include "model/RbxCharGroup.h"
#include "model/RbxFontRepertoire.h"
#include "model/RbxEmoji.h"

#include <algorithm>

namespace {

constexpr std::int32_t LastCodePoint = 0x10FFFF;

std::int32_t clampCodePoint(long long v) {
    return static_cast<std::int32_t>(std::clamp<long long>(v, 0, LastCodePoint));
}

} // namespace

std::shared_ptr<RbxGroupDescription> RbxGroupDescription::descriptionFromArray(const QStringList& array,
                                                                               qsizetype& position) {
    const qsizetype n = array.size();
    if (position < 0 || n - position < 3) return nullptr;
    QString name = array.at(position++);
    const bool roman = name.startsWith(QLatin1String("[MacRoman]"));
    if (roman) name = name.mid(10);
    auto d = std::make_shared<RbxGroupDescription>(name);
    while (position < n) {
        const long long from = kx::str::numericValue(array.at(position));
        if (from == 0) break;  // the next group's name
        if (position + 1 >= n) {
            ++position;
            break;
        }
        const long long to = kx::str::numericValue(array.at(position + 1));
        if (to < from) {  // that element is the next group's name
            ++position;
            break;
        }
        if (roman)
            d->addMacRomanRangeFrom(static_cast<int>(std::clamp<long long>(from, 0, 255)),
                                    static_cast<int>(std::clamp<long long>(to, 0, 255)));
        else
            d->addRangeFrom(clampCodePoint(from), clampCodePoint(to));
        position += 2;
    }
    return d;
}

std::int32_t RbxGroupDescription::scanLigature(const QString& text) {
    if (text == QLatin1String("LIGATURES")) return AllLigatures;
    const auto found = ligatureIndex_.constFind(text);
    if (found != ligatureIndex_.constEnd()) return SequenceBase + found.value();
    // The values up to AllLigatures are all there are.
    if (ligatures_.size() >= AllLigatures - SequenceBase) return 0;
    if (ligatures_.isEmpty()) ligatures_.reserve(10);
    const auto i = static_cast<std::int32_t>(ligatures_.size());
    ligatures_.append(text);
    ligatureIndex_.insert(text, i);
    return SequenceBase + i;
}

void RbxGroupDescription::addRangeFrom(std::int32_t from, std::int32_t to) {
    ranges_.addInteger(from);
    ranges_.addInteger(to);
    nCharacters_ += to - from + 1;
}

void RbxGroupDescription::addMacRomanRangeFrom(int from, int to) {
    for (int code = from; code <= to; ++code) {
        const auto c = static_cast<std::int32_t>(RbxMacRoman::unicodeForMacRoman(code));
        addRangeFrom(c, c);
    }
}

void RbxGroupDescription::addRangesFromGroup(const RbxGroupDescription& other) {
    const KXIntegerArray& r = other.ranges();
    for (int i = 0; i + 1 < r.count(); i += 2) addRangeFrom(r[i], r[i + 1]);
}

void RbxGroupDescription::addCharacterSet(const kx::CharSet& set) {
    bool open = false;
    char32_t first = 0, last = 0;
    set.forEach([&](char32_t c) {
        if (c == 0) return;
        if (open && c == last + 1) {
            last = c;
            return;
        }
        if (open) addRangeFrom(static_cast<std::int32_t>(first), static_cast<std::int32_t>(last));
        open = true;
        first = last = c;
    });
    if (open) addRangeFrom(static_cast<std::int32_t>(first), static_cast<std::int32_t>(last));
}

kx::CharSet RbxGroupDescription::characterSet() const {
    kx::CharSet set;
    for (int i = 0; i + 1 < ranges_.count(); i += 2) {
        const std::int32_t from = ranges_[i], to = ranges_[i + 1];
        if (from < 0 || from > LastCodePoint) continue;
        set.addCharactersFrom(static_cast<char32_t>(from), static_cast<char32_t>(std::min(to, LastCodePoint)));
    }
    return set;
}

void RbxGroupDescription::appendAvailable(RbxFontRepertoire& info, char32_t from, char32_t to,
                                          std::vector<char32_t>& out) {
    if (to > static_cast<char32_t>(LastCodePoint)) to = LastCodePoint;
    if (from > to) return;
    // Every code point is looked up in the bitmap of its own plane.
    for (char32_t plane = from >> 16; plane <= (to >> 16); ++plane) {
        const std::uint8_t* bits = info.planeBitmap(static_cast<int>(plane));
        if (!bits) continue;
        const char32_t base = plane << 16;
        char32_t c = std::max(from, base);
        const char32_t end = std::min<char32_t>(to, base | 0xFFFF);
        while (c <= end) {
            const std::uint8_t byte = bits[(c - base) >> 3];
            if (byte == 0) {
                c = static_cast<char32_t>((c | 7) + 1);  // the next byte's first code point
                continue;
            }
            if (byte & (1u << (c & 7))) out.push_back(c);
            ++c;
        }
    }
}

void RbxGroupDescription::appendPairs(RbxFontRepertoire& info, std::vector<char32_t>& out) const {
    const kx::CharSet& available = info.availableCharacters();
    for (int i = 0; i + 1 < ranges_.count(); i += 2) {
        const std::int32_t from = ranges_[i], to = ranges_[i + 1];
        if (from == AllLigatures) {
            const int n = info.numberOfLigatures();
            for (int k = 0; k < n; ++k) {
                const char32_t c = RbxFontRepertoire::LigatureBase + static_cast<char32_t>(k);
                if (available.contains(c)) out.push_back(c);
            }
        } else if (from >= SequenceBase) {
            const qsizetype k = from - SequenceBase;
            if (k >= ligatures_.size()) continue;
            const QString& text = ligatures_.at(k);
            char32_t c = RbxEmoji::virtualEmojiCharacterForString(text);
            if (c == 0) c = info.virtualLigatureCharacterForString(text);
            if (c == 0 && kx::str::numberOfUnicodeCharacters(text) == 1) c = kx::str::longCharacterAtIndex(text, 0);
            if (c != 0 && available.contains(c)) out.push_back(c);
        } else if (from >= 0 && from <= to) {
            appendAvailable(info, static_cast<char32_t>(from), static_cast<char32_t>(to), out);
        }
    }
}

std::shared_ptr<RbxCharGroup> RbxGroupDescription::groupForFontInfo(RbxFontRepertoire* info) {
    if (ranges_.isEmpty() || !info) return nullptr;
    std::vector<char32_t> characters;
    appendPairs(*info, characters);
    while (!characters.empty() && characters.back() == 0) characters.pop_back();
    if (characters.empty()) return nullptr;
    auto group = RbxCharGroup::groupWithCharacters(std::move(characters));
    group->setName(name());
    return group;
}

std::size_t RbxGroupDescription::bestIndexOf(char32_t c, const std::vector<char32_t>& list) const {
    if (list.empty()) return 0;
    const auto ordinaryPairContains = [&](int p, char32_t ch) {
        const std::int32_t from = ranges_[2 * p], to = ranges_[2 * p + 1];
        return from < SequenceBase && static_cast<std::int64_t>(ch) >= from && static_cast<std::int64_t>(ch) <= to;
    };
    const int pairs = ranges_.count() / 2;
    int target = -1;
    for (int p = 0; p < pairs && target < 0; ++p)
        if (ordinaryPairContains(p, c)) target = p;
    if (target < 0) {
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i] >= c) return i;
        return list.size();
    }
    // Walk the list in step with the pairs: each character belongs to the first pair
    // from the current one on that holds it.
    int p = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        int q = p;
        while (q < pairs && !ordinaryPairContains(q, list[i])) ++q;
        if (q < pairs) p = q;
        if (p > target || (p == target && list[i] >= c)) return i;
    }
    return list.size();
}

QString RbxGroupDescription::description() const {
    return QStringLiteral("%1: %2").arg(name(), ranges_.description());
}
