#pragma once
// A word index over the name list, made once for the search: which records' names
// contain a word (ignoring case and diacritics), found without scanning every name.
//
// The folded ASCII names are cut into tokens at blanks and hyphens; every distinct
// token is kept once in one text, with the records it occurs in. A word without those
// separators lies inside one token of a name, so the words's records are those of the
// tokens that contain it. Words with separators are looked up by their longest piece
// and checked against the whole name; names that are not ASCII are checked one by one.
//
// The index is a handful of flat arrays (Parts). Made from a list, it owns them; it can
// also be a view over arrays kept elsewhere (the index file beside the name cache,
// mapped). Only the arrays' sizes are checked when such a view is made: every slice
// read is checked against the arrays' ends when it is used, so damaged arrays give wrong
// answers at worst, never a read past their end.

#include "core/CharSet.h"
#include "model/RbxTextMatching.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class RbxCharacterNameList;

class RbxNameIndex {
public:
    using Records = RbxCharacterNameList;

    // The arrays of an index over `count` records.
    struct Parts {
        // Per record: its code point, and 0 or the letter its name stands for (1 for A to
        // 26 for Z).
        std::span<const char32_t> characters;
        std::span<const std::uint8_t> letters;
        // The folded ASCII names, one after another: record r spans
        // names[nameStart[r] .. nameStart[r + 1]) (empty for a name that is not ASCII).
        std::span<const std::uint32_t> nameStart;  // count + 1
        std::span<const char> names;
        // The records whose names are not ASCII, with their folded names:
        // otherText[otherStart[k] .. otherStart[k + 1]) for otherRecords[k].
        std::span<const std::uint32_t> otherRecords;
        std::span<const std::uint32_t> otherStart;  // otherRecords + 1
        std::span<const char16_t> otherText;
        // Distinct tokens, each followed by '\n'; token t starts at tokenStart[t].
        std::span<const std::uint32_t> tokenStart;  // tokens + 1
        std::span<const char> tokens;
        // Records of token t, ascending: postings[postingStart[t] .. postingStart[t + 1]).
        std::span<const std::uint32_t> postingStart;  // tokens + 1
        std::span<const std::uint32_t> postings;
        // The named code points as ranges: first, last, first, last, ... ascending.
        std::span<const std::uint32_t> namedRanges;
    };

    explicit RbxNameIndex(const Records& names);
    // An index over arrays kept alive by `keep`; nullptr when their sizes do not fit
    // `count` records.
    // `letGo`, when given, is what letGoOfPages() does.
    static std::shared_ptr<const RbxNameIndex> viewOf(const Parts& parts, std::size_t count,
                                                      std::shared_ptr<const void> keep,
                                                      std::function<void()> letGo = {});
    ~RbxNameIndex();
    RbxNameIndex(const RbxNameIndex&) = delete;
    RbxNameIndex& operator=(const RbxNameIndex&) = delete;

    std::size_t size() const { return count_; }
    const Parts& parts() const { return parts_; }
    // The code point of record i (0 beyond the end).
    char32_t characterAt(std::size_t i) const { return i < parts_.characters.size() ? parts_.characters[i] : 0; }

    // The positions of the records whose letter is in the mask (with a mask) and whose
    // name contains every word, ascending. Empty when there are neither.
    std::vector<std::uint32_t> matching(const std::vector<rbx::FoldedWord>& words, std::uint32_t letterMask) const;
    // Every character of the list.
    kx::CharSet namedCharacters() const;
    // For a view over mapped files: hands back the pages a search read (they are read
    // again when next needed); nothing for an index of its own.
    void letGoOfPages() const {
        if (letGo_) letGo_();
    }

private:
    struct Storage;
    RbxNameIndex(const Parts& parts, std::size_t count, std::shared_ptr<const void> keep);

    using Bits = std::vector<std::uint64_t>;
    // Sets the bits of the records whose name contains the word.
    void recordsContaining(const rbx::FoldedWord& word, Bits& bits) const;
    void recordsWithTokenContaining(const QByteArray& piece, Bits& bits) const;
    bool asciiNameContains(std::size_t record, const QByteArray& word) const;
    void setRecord(Bits& bits, std::uint32_t record) const;

    std::size_t count_ = 0;
    Parts parts_;
    std::unique_ptr<Storage> own_;      // the arrays of an index made here
    std::shared_ptr<const void> keep_;  // what holds the arrays of a view
    std::function<void()> letGo_;
};
