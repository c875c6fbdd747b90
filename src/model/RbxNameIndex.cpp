#include "model/RbxNameIndex.h"

#include "model/RbxCharacterName.h"

#include <QByteArray>
#include <QStringView>

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

struct RbxNameIndex::Storage {
    std::vector<std::uint8_t> letters;
    std::vector<std::uint32_t> nameStart;
    std::vector<char> names;
    std::vector<std::uint32_t> otherRecords;
    std::vector<std::uint32_t> otherStart;
    std::vector<char16_t> otherText;
    std::vector<std::uint32_t> tokenStart;
    std::vector<char> tokens;
    std::vector<std::uint32_t> postingStart;
    std::vector<std::uint32_t> postings;
    std::vector<std::uint32_t> namedRanges;
};

namespace {

bool isSeparator(char c) { return c == ' ' || c == '-' || c == '\n'; }

bool isAscii(QStringView s) {
    for (QChar q : s)
        if (q.unicode() >= 0x80) return false;
    return true;
}

char lowerAscii(char16_t u) { return static_cast<char>(u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u); }

// Element i of a table of start positions and the next one, when both lie within a
// text of `limit` elements in order; false for a damaged table.
bool sliceOf(std::span<const std::uint32_t> start, std::size_t i, std::size_t limit, std::uint32_t* from,
             std::uint32_t* to) {
    if (i + 1 >= start.size()) return false;
    *from = start[i];
    *to = start[i + 1];
    return *from <= *to && *to <= limit;
}

// The last t with start[t] <= offset, or npos when there is none. (A plain binary
// search: a damaged table gives some t, never a read outside it.)
std::size_t lastAtOrBefore(std::span<const std::uint32_t> start, std::size_t offset) {
    std::size_t lo = 0, hi = start.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (start[mid] <= offset)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo == 0 ? std::string::npos : lo - 1;
}

} // namespace

RbxNameIndex::RbxNameIndex(const Parts& parts, std::size_t count, std::shared_ptr<const void> keep)
    : count_(count), parts_(parts), keep_(std::move(keep)) {}

RbxNameIndex::~RbxNameIndex() = default;

std::shared_ptr<const RbxNameIndex> RbxNameIndex::viewOf(const Parts& parts, std::size_t count,
                                                         std::shared_ptr<const void> keep) {
    const bool fits = parts.letters.size() == count && parts.nameStart.size() == count + 1 &&
                      parts.otherStart.size() == parts.otherRecords.size() + 1 && !parts.tokenStart.empty() &&
                      parts.postingStart.size() == parts.tokenStart.size() && parts.namedRanges.size() % 2 == 0;
    if (!fits) return nullptr;
    return std::shared_ptr<const RbxNameIndex>(new RbxNameIndex(parts, count, std::move(keep)));
}

RbxNameIndex::RbxNameIndex(const Records& names) : count_(names.size()), own_(std::make_unique<Storage>()) {
    Storage& s = *own_;
    const std::size_t n = names.size();
    s.letters.reserve(n);
    s.nameStart.reserve(n + 1);
    s.names.reserve(n * 28);

    std::unordered_map<std::string, std::uint32_t> tokenIds;
    tokenIds.reserve(n);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> occurrences;  // (token, record)
    occurrences.reserve(n * 5);
    std::vector<char32_t> characters;
    characters.reserve(n);
    std::string token;

    for (std::size_t r = 0; r < n; ++r) {
        characters.push_back(names.character(r));
        const std::uint16_t letter = names.letter(r);
        s.letters.push_back(letter >= 'A' && letter <= 'Z' ? static_cast<std::uint8_t>(letter - 'A' + 1) : 0);
        s.nameStart.push_back(static_cast<std::uint32_t>(s.names.size()));
        const QStringView name = names.nameView(r);
        if (!isAscii(name)) {
            s.otherRecords.push_back(static_cast<std::uint32_t>(r));
            s.otherStart.push_back(static_cast<std::uint32_t>(s.otherText.size()));
            const QString folded = rbx::foldedForMatching(name.toString());
            s.otherText.insert(s.otherText.end(), folded.utf16(), folded.utf16() + folded.size());
            continue;
        }
        const std::size_t start = s.names.size();
        for (QChar q : name) s.names.push_back(lowerAscii(q.unicode()));
        const char* p = s.names.data() + start;
        const char* end = s.names.data() + s.names.size();
        std::uint32_t lastToken = UINT32_MAX;
        while (p < end) {
            while (p < end && isSeparator(*p)) ++p;
            const char* t = p;
            while (p < end && !isSeparator(*p)) ++p;
            if (p == t) break;
            token.assign(t, static_cast<std::size_t>(p - t));
            auto [it, inserted] = tokenIds.try_emplace(token, static_cast<std::uint32_t>(s.tokenStart.size()));
            if (inserted) {
                s.tokenStart.push_back(static_cast<std::uint32_t>(s.tokens.size()));
                s.tokens.insert(s.tokens.end(), t, p);
                s.tokens.push_back('\n');
            }
            if (it->second != lastToken) occurrences.emplace_back(it->second, static_cast<std::uint32_t>(r));
            lastToken = it->second;
        }
    }
    s.nameStart.push_back(static_cast<std::uint32_t>(s.names.size()));
    s.otherStart.push_back(static_cast<std::uint32_t>(s.otherText.size()));
    s.tokenStart.push_back(static_cast<std::uint32_t>(s.tokens.size()));

    // Postings by token, records ascending (occurrences are in record order already).
    const std::size_t tokenCount = s.tokenStart.size() - 1;
    s.postingStart.assign(tokenCount + 1, 0);
    for (const auto& o : occurrences) ++s.postingStart[o.first + 1];
    for (std::size_t t = 0; t < tokenCount; ++t) s.postingStart[t + 1] += s.postingStart[t];
    s.postings.resize(occurrences.size());
    std::vector<std::uint32_t> fill(s.postingStart.begin(), s.postingStart.end() - 1);
    for (const auto& o : occurrences) {
        std::uint32_t& slot = fill[o.first];
        if (slot > s.postingStart[o.first] && s.postings[slot - 1] == o.second) continue;
        s.postings[slot++] = o.second;
    }
    // Duplicates were skipped: close the gaps by shifting each token's list down.
    std::size_t write = 0;
    for (std::size_t t = 0; t < tokenCount; ++t) {
        const std::uint32_t from = s.postingStart[t];
        const std::uint32_t to = fill[t];
        s.postingStart[t] = static_cast<std::uint32_t>(write);
        for (std::uint32_t i = from; i < to; ++i) s.postings[write++] = s.postings[i];
    }
    s.postingStart[tokenCount] = static_cast<std::uint32_t>(write);
    s.postings.resize(write);
    s.postings.shrink_to_fit();

    std::sort(characters.begin(), characters.end());
    for (std::size_t i = 0; i < characters.size();) {
        std::size_t j = i;
        while (j + 1 < characters.size() && characters[j + 1] <= characters[j] + 1) ++j;
        s.namedRanges.push_back(characters[i]);
        s.namedRanges.push_back(characters[j]);
        i = j + 1;
    }

    parts_ = Parts{s.letters, s.nameStart, s.names, s.otherRecords, s.otherStart, s.otherText,
                   s.tokenStart, s.tokens, s.postingStart, s.postings, s.namedRanges};
}

kx::CharSet RbxNameIndex::namedCharacters() const {
    kx::CharSet set;
    for (std::size_t i = 0; i + 1 < parts_.namedRanges.size(); i += 2)
        set.addCharactersFrom(parts_.namedRanges[i], parts_.namedRanges[i + 1]);
    return set;
}

void RbxNameIndex::setRecord(Bits& bits, std::uint32_t record) const {
    if (record < count_) bits[record >> 6] |= std::uint64_t(1) << (record & 63);
}

void RbxNameIndex::recordsWithTokenContaining(const QByteArray& piece, Bits& bits) const {
    const std::span<const char> tokens = parts_.tokens;
    const char* base = tokens.data();
    std::size_t pos = 0;
    while (pos < tokens.size()) {
        const void* hit = memmem(base + pos, tokens.size() - pos, piece.constData(), static_cast<std::size_t>(piece.size()));
        if (!hit) break;
        const auto offset = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
        const std::size_t t = lastAtOrBefore(parts_.tokenStart, offset);
        std::uint32_t from, to;
        if (t != std::string::npos && sliceOf(parts_.postingStart, t, parts_.postings.size(), &from, &to))
            for (std::uint32_t i = from; i < to; ++i) setRecord(bits, parts_.postings[i]);
        // On to the next token.
        const std::size_t next = t != std::string::npos && t + 1 < parts_.tokenStart.size() ? parts_.tokenStart[t + 1] : 0;
        pos = next > offset ? next : offset + 1;
    }
}

bool RbxNameIndex::asciiNameContains(std::size_t record, const QByteArray& word) const {
    std::uint32_t from, to;
    if (!sliceOf(parts_.nameStart, record, parts_.names.size(), &from, &to) || from == to) return false;
    return memmem(parts_.names.data() + from, to - from, word.constData(), static_cast<std::size_t>(word.size())) != nullptr;
}

void RbxNameIndex::recordsContaining(const rbx::FoldedWord& word, Bits& bits) const {
    const QString& folded = word.folded();
    if (folded.isEmpty()) {
        for (std::uint32_t r = 0; r < count_; ++r) setRecord(bits, r);
        return;
    }
    const QStringView otherText(parts_.otherText.data(), static_cast<qsizetype>(parts_.otherText.size()));
    for (std::size_t k = 0; k < parts_.otherRecords.size(); ++k) {
        std::uint32_t from, to;
        if (sliceOf(parts_.otherStart, k, parts_.otherText.size(), &from, &to) &&
            otherText.mid(from, to - from).contains(folded))
            setRecord(bits, parts_.otherRecords[k]);
    }
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
    for (std::size_t w = 0; w < candidates.size(); ++w) {
        std::uint64_t m = candidates[w];
        while (m) {
            const auto r = static_cast<std::uint32_t>(w * 64 + static_cast<std::size_t>(__builtin_ctzll(m)));
            m &= m - 1;
            if (r < count_ && asciiNameContains(r, bytes)) setRecord(bits, r);
        }
    }
}

std::vector<std::uint32_t> RbxNameIndex::matching(const std::vector<rbx::FoldedWord>& words,
                                                  std::uint32_t letterMask) const {
    std::vector<std::uint32_t> out;
    const std::size_t n = count_;
    const auto letterMatches = [&](std::uint32_t r) {
        const std::uint8_t l = parts_.letters[r];
        return l != 0 && l <= 26 && ((letterMask >> (l - 1)) & 1);
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
