#include "model/RbxNameIndex.h"

#include "model/RbxCharacterName.h"

#include <QStringView>

#include <QHash>
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

namespace {

bool isSeparator(char c) { return c == ' ' || c == '-' || c == '\n'; }

bool isAscii(QStringView s) {
    for (QChar q : s)
        if (q.unicode() >= 0x80) return false;
    return true;
}

char lowerAscii(char16_t u) { return static_cast<char>(u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u); }

std::uint64_t mix(std::uint64_t h, std::uint64_t v) {
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h;
}

std::uint64_t fingerprintOf(const RbxNameIndex::Records& names) {
    std::uint64_t h = mix(names.size(), qHash(names.text()));
    for (const RbxCharacterNameList::Entry& e : names.entries()) {
        h = mix(h, e.ch);
        h = mix(h, (std::uint64_t(e.letter) << 32) | e.length);
    }
    return h;
}

void setBit(std::vector<std::uint64_t>& bits, std::uint32_t i) { bits[i >> 6] |= std::uint64_t(1) << (i & 63); }

} // namespace

RbxNameIndex::RbxNameIndex(const Records& names) : fingerprint_(fingerprintOf(names)) {
    const std::size_t n = names.size();
    characters_.reserve(n);
    letters_.reserve(n);
    nameStart_.reserve(n + 1);
    names_.reserve(static_cast<qsizetype>(n) * 28);

    std::unordered_map<std::string, std::uint32_t> tokenIds;
    tokenIds.reserve(n);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> occurrences;  // (token, record)
    occurrences.reserve(n * 5);
    std::string token;

    for (std::size_t r = 0; r < n; ++r) {
        const char32_t c = names.character(r);
        characters_.push_back(c);
        named_.addCharacter(c);
        const std::uint16_t letter = names.letter(r);
        letters_.push_back(letter >= 'A' && letter <= 'Z' ? static_cast<std::uint8_t>(letter - 'A' + 1) : 0);
        nameStart_.push_back(static_cast<std::uint32_t>(names_.size()));
        const QStringView name = names.nameView(r);
        if (!isAscii(name)) {
            otherRecords_.push_back(static_cast<std::uint32_t>(r));
            otherNames_.push_back(rbx::foldedForMatching(name.toString()));
            continue;
        }
        const qsizetype start = names_.size();
        for (QChar q : name) names_.append(lowerAscii(q.unicode()));
        const char* p = names_.constData() + start;
        const char* end = names_.constData() + names_.size();
        std::uint32_t lastToken = UINT32_MAX;
        while (p < end) {
            while (p < end && isSeparator(*p)) ++p;
            const char* t = p;
            while (p < end && !isSeparator(*p)) ++p;
            if (p == t) break;
            token.assign(t, static_cast<std::size_t>(p - t));
            auto [it, inserted] = tokenIds.try_emplace(token, static_cast<std::uint32_t>(tokenStart_.size()));
            if (inserted) {
                tokenStart_.push_back(static_cast<std::uint32_t>(tokens_.size()));
                tokens_.append(t, p - t);
                tokens_.append('\n');
            }
            if (it->second != lastToken) occurrences.emplace_back(it->second, static_cast<std::uint32_t>(r));
            lastToken = it->second;
        }
    }
    nameStart_.push_back(static_cast<std::uint32_t>(names_.size()));
    tokenStart_.push_back(static_cast<std::uint32_t>(tokens_.size()));

    // Postings by token, records ascending (occurrences are in record order already).
    const std::size_t tokenCount = tokenStart_.size() - 1;
    postingStart_.assign(tokenCount + 1, 0);
    for (const auto& o : occurrences) ++postingStart_[o.first + 1];
    for (std::size_t t = 0; t < tokenCount; ++t) postingStart_[t + 1] += postingStart_[t];
    postings_.resize(occurrences.size());
    std::vector<std::uint32_t> fill(postingStart_.begin(), postingStart_.end() - 1);
    for (const auto& o : occurrences) {
        std::uint32_t& slot = fill[o.first];
        if (slot > postingStart_[o.first] && postings_[slot - 1] == o.second) continue;
        postings_[slot++] = o.second;
    }
    // Duplicates were skipped: close the gaps by shifting each token's list down.
    std::size_t write = 0;
    for (std::size_t t = 0; t < tokenCount; ++t) {
        const std::uint32_t from = postingStart_[t];
        const std::uint32_t to = fill[t];
        postingStart_[t] = static_cast<std::uint32_t>(write);
        for (std::uint32_t i = from; i < to; ++i) postings_[write++] = postings_[i];
    }
    postingStart_[tokenCount] = static_cast<std::uint32_t>(write);
    postings_.resize(write);
    postings_.shrink_to_fit();
}

bool RbxNameIndex::describes(const Records& names) const {
    return names.size() == characters_.size() && fingerprintOf(names) == fingerprint_;
}

void RbxNameIndex::recordsWithTokenContaining(const QByteArray& piece, Bits& bits) const {
    const char* base = tokens_.constData();
    const char* p = base;
    const char* end = base + tokens_.size();
    while (p < end) {
        const void* hit = memmem(p, static_cast<std::size_t>(end - p), piece.constData(), static_cast<std::size_t>(piece.size()));
        if (!hit) break;
        const auto offset = static_cast<std::uint32_t>(static_cast<const char*>(hit) - base);
        const auto t = static_cast<std::size_t>(std::upper_bound(tokenStart_.begin(), tokenStart_.end(), offset) -
                                                tokenStart_.begin() - 1);
        for (std::uint32_t i = postingStart_[t]; i < postingStart_[t + 1]; ++i) setBit(bits, postings_[i]);
        p = base + tokenStart_[t + 1];  // the next token
    }
}

bool RbxNameIndex::asciiNameContains(std::size_t record, const QByteArray& word) const {
    const char* start = names_.constData() + nameStart_[record];
    const std::size_t length = nameStart_[record + 1] - nameStart_[record];
    return memmem(start, length, word.constData(), static_cast<std::size_t>(word.size())) != nullptr;
}

void RbxNameIndex::recordsContaining(const rbx::FoldedWord& word, Bits& bits) const {
    const QString& folded = word.folded();
    if (folded.isEmpty()) {
        for (std::uint32_t r = 0; r < characters_.size(); ++r) setBit(bits, r);
        return;
    }
    for (std::size_t k = 0; k < otherRecords_.size(); ++k)
        if (otherNames_[k].contains(folded)) setBit(bits, otherRecords_[k]);
    if (!isAscii(folded)) return;  // only names that are not ASCII can hold it
    const QByteArray bytes = folded.toLatin1();

    // The longest piece between separators.
    QByteArray piece;
    bool hasSeparator = false;
    for (qsizetype i = 0; i < bytes.size();) {
        if (isSeparator(bytes[i])) {
            hasSeparator = true;
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < bytes.size() && !isSeparator(bytes[j])) ++j;
        if (j - i > piece.size()) piece = bytes.mid(i, j - i);
        i = j;
    }
    if (!hasSeparator) {
        recordsWithTokenContaining(bytes, bits);
        return;
    }
    Bits candidates(bits.size(), 0);
    if (piece.isEmpty()) {
        for (auto& w : candidates) w = ~std::uint64_t(0);
    } else {
        recordsWithTokenContaining(piece, candidates);
    }
    const std::size_t n = characters_.size();
    for (std::size_t w = 0; w < candidates.size(); ++w) {
        std::uint64_t m = candidates[w];
        while (m) {
            const auto r = static_cast<std::uint32_t>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(m)));
            m &= m - 1;
            if (r < n && nameStart_[r + 1] > nameStart_[r] && asciiNameContains(r, bytes)) setBit(bits, r);
        }
    }
}

std::vector<std::uint32_t> RbxNameIndex::matching(const std::vector<rbx::FoldedWord>& words,
                                                  std::uint32_t letterMask) const {
    std::vector<std::uint32_t> out;
    const std::size_t n = characters_.size();
    const auto letterMatches = [&](std::uint32_t r) {
        const std::uint8_t l = letters_[r];
        return l != 0 && ((letterMask >> (l - 1)) & 1);
    };
    if (words.empty()) {
        if (letterMask == 0) return out;
        for (std::uint32_t r = 0; r < n; ++r)
            if (letterMatches(r)) out.push_back(r);
        return out;
    }
    const std::size_t wordsPerSet = (n + 63) / 64;
    Bits result;
    for (const rbx::FoldedWord& word : words) {
        Bits bits(wordsPerSet, 0);
        recordsContaining(word, bits);
        if (result.empty()) {
            result = std::move(bits);
        } else {
            for (std::size_t i = 0; i < wordsPerSet; ++i) result[i] &= bits[i];
        }
    }
    for (std::size_t w = 0; w < wordsPerSet; ++w) {
        std::uint64_t m = result[w];
        while (m) {
            const auto r = static_cast<std::uint32_t>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(m)));
            m &= m - 1;
            if (letterMask == 0 || letterMatches(r)) out.push_back(r);
        }
    }
    return out;
}
