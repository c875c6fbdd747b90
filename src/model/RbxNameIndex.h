#pragma once
// A word index over the name list, made once for the search: which records' names
// contain a word (ignoring case and diacritics), found without scanning every name.
//
// The folded ASCII names are cut into tokens at blanks and hyphens; every distinct
// token is kept once in one text, with the records it occurs in. A word without those
// separators lies inside one token of a name, so the words's records are those of the
// tokens that contain it. Words with separators are looked up by their longest piece
// and checked against the whole name; names that are not ASCII are checked one by one.

#include "core/CharSet.h"
#include "model/RbxTextMatching.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

class RbxCharacterNameList;

class RbxNameIndex {
public:
    using Records = RbxCharacterNameList;

    explicit RbxNameIndex(const Records& names);

    std::size_t size() const { return characters_.size(); }
    // Whether the index was made from this list (same records, names and letters).
    bool describes(const Records& names) const;

    char32_t characterAt(std::size_t i) const { return characters_[i]; }
    // The positions of the records whose letter is in the mask (with a mask) and whose
    // name contains every word, ascending. Empty when there are neither.
    std::vector<std::uint32_t> matching(const std::vector<rbx::FoldedWord>& words, std::uint32_t letterMask) const;
    // Every character of the list.
    const kx::CharSet& namedCharacters() const { return named_; }

private:
    using Bits = std::vector<std::uint64_t>;
    // Sets the bits of the records whose name contains the word.
    void recordsContaining(const rbx::FoldedWord& word, Bits& bits) const;
    void recordsWithTokenContaining(const QByteArray& piece, Bits& bits) const;
    bool asciiNameContains(std::size_t record, const QByteArray& word) const;

    std::vector<char32_t> characters_;
    std::vector<std::uint8_t> letters_;
    std::uint64_t fingerprint_ = 0;
    kx::CharSet named_;

    // The folded ASCII names, one after another; record i spans nameStart_[i]..[i+1].
    QByteArray names_;
    std::vector<std::uint32_t> nameStart_;
    // Records whose name is not ASCII, with their folded names.
    std::vector<std::uint32_t> otherRecords_;
    std::vector<QString> otherNames_;

    // Distinct tokens, each followed by '\n'; token t starts at tokenStart_[t].
    QByteArray tokens_;
    std::vector<std::uint32_t> tokenStart_;
    // Records of token t: postings_[postingStart_[t] .. postingStart_[t + 1]).
    std::vector<std::uint32_t> postingStart_;
    std::vector<std::uint32_t> postings_;
};
