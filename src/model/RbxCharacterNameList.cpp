// The compact list of name records.

#include "model/RbxCharacterName.h"

#include "core/Types.h"

#include <algorithm>

RbxCharacterNameList::RbxCharacterNameList(std::initializer_list<RbxCharacterName> names) {
    for (const RbxCharacterName& n : names) append(n);
}

void RbxCharacterNameList::reserve(std::size_t records, std::size_t nameUnits) {
    entries_.reserve(records);
    text_.reserve(static_cast<qsizetype>(nameUnits));
}

void RbxCharacterNameList::append(char32_t c, std::uint16_t letter, std::uint16_t group, QStringView name) {
    entries_.push_back(Entry{c, letter, group, static_cast<std::uint32_t>(text_.size()),
                             static_cast<std::uint32_t>(name.size())});
    text_.append(name);
}

std::size_t RbxCharacterNameList::indexOfCharacter(char32_t c) const {
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), c,
                                     [](const Entry& e, char32_t v) { return e.ch < v; });
    if (it == entries_.end() || it->ch != c) return kx::NotFound;
    return static_cast<std::size_t>(it - entries_.begin());
}

std::optional<RbxCharacterName> RbxCharacterNameList::find(char32_t c) const {
    const std::size_t i = indexOfCharacter(c);
    if (i == kx::NotFound) return std::nullopt;
    return at(i);
}

bool RbxCharacterNameList::less(const Entry& a, const Entry& b) const {
    if (a.ch != b.ch) return a.ch < b.ch;
    if (a.group != b.group) return a.group < b.group;
    return QStringView(text_).mid(a.offset, a.length).compare(QStringView(text_).mid(b.offset, b.length)) < 0;
}

void RbxCharacterNameList::sort() {
    auto lt = [this](const Entry& a, const Entry& b) { return less(a, b); };
    // Lists are mostly in order already: sort only what follows the ordered start.
    const auto sortedEnd = std::is_sorted_until(entries_.begin(), entries_.end(), lt);
    std::sort(sortedEnd, entries_.end(), lt);
    std::inplace_merge(entries_.begin(), sortedEnd, entries_.end(), lt);
}

bool RbxCharacterNameList::isSorted() const {
    return std::is_sorted(entries_.begin(), entries_.end(), [this](const Entry& a, const Entry& b) { return less(a, b); });
}
