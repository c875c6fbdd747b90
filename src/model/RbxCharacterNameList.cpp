// The compact list of name records.

#include "model/RbxCharacterName.h"

#include "core/Types.h"

#include <algorithm>

RbxCharacterNameList::RbxCharacterNameList(std::initializer_list<RbxCharacterName> names) {
    for (const RbxCharacterName& n : names) append(n);
}

RbxCharacterNameList RbxCharacterNameList::viewOf(View view) {
    RbxCharacterNameList list;
    if (view.count > 0 && view.entries) list.view_ = std::make_shared<const View>(std::move(view));
    return list;
}

void RbxCharacterNameList::detach() {
    if (!view_) return;
    Entries entries;
    Text text;
    entries.reserve(view_->count);
    for (std::size_t i = 0; i < view_->count; ++i) {
        const Entry& e = view_->entries[i];
        const QStringView name = nameOf(e);
        entries.push_back(Entry{e.ch, e.letter, e.group, static_cast<std::uint32_t>(text.size()),
                                static_cast<std::uint32_t>(name.size())});
        text.insert(text.end(), name.utf16(), name.utf16() + name.size());
    }
    view_.reset();
    entries_ = std::move(entries);
    text_ = std::move(text);
}

void RbxCharacterNameList::reserve(std::size_t records, std::size_t nameUnits) {
    detach();
    entries_.reserve(records);
    text_.reserve(nameUnits);
}

void RbxCharacterNameList::append(char32_t c, std::uint16_t letter, std::uint16_t group, QStringView name) {
    detach();
    entries_.push_back(Entry{c, letter, group, static_cast<std::uint32_t>(text_.size()),
                             static_cast<std::uint32_t>(name.size())});
    text_.insert(text_.end(), name.utf16(), name.utf16() + name.size());
}

std::size_t RbxCharacterNameList::indexOfCharacter(char32_t c) const {
    const std::span<const Entry> all = entries();
    const auto it = std::lower_bound(all.begin(), all.end(), c, [](const Entry& e, char32_t v) { return e.ch < v; });
    if (it == all.end() || it->ch != c) return kx::NotFound;
    return static_cast<std::size_t>(it - all.begin());
}

std::optional<RbxCharacterName> RbxCharacterNameList::find(char32_t c) const {
    const std::size_t i = indexOfCharacter(c);
    if (i == kx::NotFound) return std::nullopt;
    return at(i);
}

bool RbxCharacterNameList::less(const Entry& a, const Entry& b) const {
    if (a.ch != b.ch) return a.ch < b.ch;
    if (a.group != b.group) return a.group < b.group;
    return nameOf(a).compare(nameOf(b)) < 0;
}

void RbxCharacterNameList::sort() {
    detach();
    auto lt = [this](const Entry& a, const Entry& b) { return less(a, b); };
    // Lists are mostly in order already: sort only what follows the ordered start, and
    // merge the two into entries of their own (so no buffer comes from the heap).
    const auto sortedEnd = std::is_sorted_until(entries_.begin(), entries_.end(), lt);
    if (sortedEnd == entries_.end()) return;
    std::sort(sortedEnd, entries_.end(), lt);
    Entries merged(entries_.size());
    std::merge(entries_.begin(), sortedEnd, sortedEnd, entries_.end(), merged.begin(), lt);
    entries_ = std::move(merged);
}

bool RbxCharacterNameList::isSorted() const {
    const std::span<const Entry> all = entries();
    return std::is_sorted(all.begin(), all.end(), [this](const Entry& a, const Entry& b) { return less(a, b); });
}
