#include "model/RbxNameIndex.h"

#include "core/PageAllocator.h"
#include "model/RbxCharacterName.h"

#include <QByteArray>
#include <QStringView>

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

namespace {

// What an index made in memory holds comes straight from the system and goes back to
// it when the index goes (it is made on a worker thread, whose heap would keep it).
template <typename T> using PageVector = std::vector<T, kx::PageAllocator<T>>;

} // namespace

struct RbxNameIndex::Storage {
    PageVector<char32_t> characters;
    PageVector<std::uint8_t> letters;
    PageVector<std::uint32_t> nameStart;
    PageVector<char> names;
    PageVector<std::uint32_t> otherRecords;
    PageVector<std::uint32_t> otherStart;
    PageVector<char16_t> otherText;
    PageVector<std::uint32_t> tokenStart;
    PageVector<char> tokens;
    PageVector<std::uint32_t> postingStart;
    PageVector<std::uint32_t> postings;
    PageVector<std::uint32_t> namedRanges;
};

namespace {

// The distinct tokens met so far, found by their text: open addressing over the token
// numbers, whose texts lie in `tokens` (each followed by '\n') from `starts`.
class TokenTable {
public:
    TokenTable(const PageVector<char>& tokens, const PageVector<std::uint32_t>& starts, std::size_t expected)
        : tokens_(tokens), starts_(starts), slots_(std::bit_ceil(std::max<std::size_t>(expected * 2, 64)), 0) {}

    // The number of the token t (len bytes), or `next` when it is new: the caller then
    // adds its text to `tokens` and its start to `starts`.
    std::uint32_t numberOf(const char* t, std::size_t len, std::uint32_t next) {
        if ((count_ + 1) * 2 > slots_.size()) grow();
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hashOf(t, len) & mask;; i = (i + 1) & mask) {
            const std::uint32_t v = slots_[i];
            if (v == 0) {
                slots_[i] = next + 1;
                ++count_;
                return next;
            }
            if (sameText(v - 1, t, len)) return v - 1;
        }
    }

private:
    static std::size_t hashOf(const char* t, std::size_t len) {
        std::uint64_t h = 0xcbf29ce484222325ull;
        for (std::size_t i = 0; i < len; ++i) h = (h ^ static_cast<unsigned char>(t[i])) * 0x100000001b3ull;
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
    bool sameText(std::uint32_t token, const char* t, std::size_t len) const {
        const std::size_t start = starts_[token];
        return start + len < tokens_.size() && tokens_[start + len] == '\n' && std::memcmp(tokens_.data() + start, t, len) == 0;
    }
    void grow() {
        PageVector<std::uint32_t> grown(slots_.size() * 2, 0);
        const std::size_t mask = grown.size() - 1;
        for (std::size_t token = 0; token < starts_.size(); ++token) {
            const std::size_t start = starts_[token];
            const std::size_t end = token + 1 < starts_.size() ? starts_[token + 1] : tokens_.size();
            std::size_t i = hashOf(tokens_.data() + start, end - start - 1) & mask;
            while (grown[i] != 0) i = (i + 1) & mask;
            grown[i] = static_cast<std::uint32_t>(token + 1);
        }
        slots_ = std::move(grown);
    }

    const PageVector<char>& tokens_;
    const PageVector<std::uint32_t>& starts_;
    PageVector<std::uint32_t> slots_;
    std::size_t count_ = 0;
};

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
                                                         std::shared_ptr<const void> keep, std::function<void()> letGo) {
    const bool fits = parts.characters.size() == count && parts.letters.size() == count && parts.nameStart.size() == count + 1 &&
                      parts.otherStart.size() == parts.otherRecords.size() + 1 && !parts.tokenStart.empty() &&
                      parts.postingStart.size() == parts.tokenStart.size() && parts.namedRanges.size() % 2 == 0;
    if (!fits) return nullptr;
    const auto index = std::shared_ptr<RbxNameIndex>(new RbxNameIndex(parts, count, std::move(keep)));
    index->letGo_ = std::move(letGo);
    return index;
}

RbxNameIndex::RbxNameIndex(const Records& names) : count_(names.size()), own_(std::make_unique<Storage>()) {
    Storage& s = *own_;
    const std::size_t n = names.size();
    s.characters.reserve(n);
    s.letters.reserve(n);
    s.nameStart.reserve(n + 1);
    s.names.reserve(n * 28);

    TokenTable tokenIds(s.tokens, s.tokenStart, n);
    PageVector<std::pair<std::uint32_t, std::uint32_t>> occurrences;  // (token, record)
    occurrences.reserve(n * 5);

    for (std::size_t r = 0; r < n; ++r) {
        s.characters.push_back(names.character(r));
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
            const auto next = static_cast<std::uint32_t>(s.tokenStart.size());
            const std::uint32_t id = tokenIds.numberOf(t, static_cast<std::size_t>(p - t), next);
            if (id == next) {
                s.tokenStart.push_back(static_cast<std::uint32_t>(s.tokens.size()));
                s.tokens.insert(s.tokens.end(), t, p);
                s.tokens.push_back('\n');
            }
            if (id != lastToken) occurrences.emplace_back(id, static_cast<std::uint32_t>(r));
            lastToken = id;
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
    PageVector<std::uint32_t> fill(s.postingStart.begin(), s.postingStart.end() - 1);
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

    PageVector<char32_t> characters = s.characters;
    std::sort(characters.begin(), characters.end());
    for (std::size_t i = 0; i < characters.size();) {
        std::size_t j = i;
        while (j + 1 < characters.size() && characters[j + 1] <= characters[j] + 1) ++j;
        s.namedRanges.push_back(characters[i]);
        s.namedRanges.push_back(characters[j]);
        i = j + 1;
    }

    parts_ = Parts{s.characters, s.letters, s.nameStart, s.names, s.otherRecords, s.otherStart, s.otherText,
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
