#include "model/RbxNameFilter.h"

#include "core/MainThread.h"
#include "core/ProcessWide.h"
#include "core/StringExtensions.h"

#include "model/RbxCharacterName.h"
#include "model/RbxFontRepertoire.h"
#include "model/RbxGroupDescription.h"
#include "model/RbxLayout.h"
#include "model/RbxNameIndex.h"
#include "model/RbxSelectedFont.h"
#include "model/RbxTextMatching.h"

#include <QPointer>

#include <memory>

namespace rbx::namefilter {

struct Matches {
    std::vector<std::uint32_t> listRecords;  // positions in the name list
    std::vector<RbxCharacterName> puaRecords;
};

} // namespace rbx::namefilter

using rbx::namefilter::Matches;

struct RbxNameFilterState::Data {
    std::optional<QString> filter;
    QStringList words;
    std::uint32_t letters = 0;
    std::optional<Matches> matches;
    std::optional<kx::CharSet> characters;
};

RbxNameFilterState& RbxNameFilterState::shared() { return kx::ProcessWide<RbxNameFilterState>::get(); }

std::unique_ptr<RbxNameFilterState> RbxNameFilterState::makeDefault() {
    return std::make_unique<RbxNameFilterState>(nullptr);
}

RbxNameFilterState::RbxNameFilterState(RbxSelectedFont* selectedFont)
    : selectedFont_(selectedFont), data_(std::make_unique<Data>()) {
    letGoTimer_.setSingleShot(true);
    letGoTimer_.setInterval(LetGoDelayMs);
    connect(&letGoTimer_, &QTimer::timeout, this, [] { RbxCharacterName::letGoOfMappedPages(); });
}

void RbxNameFilterState::searched() { letGoTimer_.start(); }

RbxNameFilterState::~RbxNameFilterState() = default;

RbxFontRepertoire* RbxNameFilterState::selectedFontRepertoire() const {
    return selectedFont_ ? selectedFont_->selectedFontRepertoire() : nullptr;
}

namespace {

using FilterState = RbxNameFilterState::Data;

FilterState& state() { return RbxNameFilterState::shared().data(); }

constexpr char32_t ZeroWidthSpace = 0x200B;

bool isDecimalDigit(QChar q) { return q.unicode() >= '0' && q.unicode() <= '9'; }

int hexValue(QChar q) {
    const char16_t u = q.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

std::vector<rbx::FoldedWord> foldedWords(const QStringList& words) {
    std::vector<rbx::FoldedWord> out;
    out.reserve(static_cast<std::size_t>(words.size()));
    for (const QString& w : words) out.emplace_back(w);
    return out;
}

Matches matchingRecords(const QStringList& words, std::uint32_t mask) {
    Matches m;
    if (words.isEmpty() && mask == 0) return m;
    const RbxCharacterName::NamesAndIndex names = RbxCharacterName::allNamesWithIndex();
    const std::vector<rbx::FoldedWord> folded = foldedWords(words);
    if (names.index && !names.list->empty()) m.listRecords = names.index->matching(folded, mask);
    if (const auto pua = RbxCharacterName::puaNamesOfCurrentFont()) {
        for (std::size_t i = 0; i < pua->size(); ++i) {
            if (mask != 0 && !pua->matchesLetterSet(i, mask)) continue;
            bool all = true;
            for (const rbx::FoldedWord& w : folded)
                if (!w.isContainedIn(pua->nameView(i))) { all = false; break; }
            if (all) m.puaRecords.push_back(pua->at(i));
        }
    }
    return m;
}

std::vector<RbxCharacterName> recordsOf(const Matches& m) {
    std::vector<RbxCharacterName> out;
    const RbxCharacterName::SharedList list = RbxCharacterName::allNames();
    out.reserve(m.listRecords.size() + m.puaRecords.size());
    if (list)
        for (std::uint32_t r : m.listRecords)
            if (r < list->size()) out.push_back(list->at(r));
    out.insert(out.end(), m.puaRecords.begin(), m.puaRecords.end());
    return out;
}

kx::CharSet charactersOf(const Matches& m) {
    kx::CharSet set;
    if (const std::shared_ptr<const RbxNameIndex> index = RbxCharacterName::allNamesWithIndex().index)
        for (std::uint32_t r : m.listRecords)
            if (r < index->size()) set.addCharacter(index->characterAt(r));
    for (const RbxCharacterName& rec : m.puaRecords) set.addCharacter(rec.character());
    return set;
}

// The parts of the current filter.
void deriveWords() {
    FilterState& s = state();
    s.words = s.filter ? s.filter->split(u' ', Qt::SkipEmptyParts) : QStringList();
    s.letters = RbxNameFilter::lettersFromFilterParts(s.words);
}

const Matches& currentMatches() {
    FilterState& s = state();
    if (!s.matches) s.matches = matchingRecords(s.words, s.letters);
    return *s.matches;
}

QString withoutJoiners(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar q : text) {
        const char16_t u = q.unicode();
        if (u == 0x200D || (u >= 0xFE00 && u <= 0xFE0F)) continue;
        out.append(q);
    }
    return out;
}

// The set plus the selected font's ligatures holding one of its characters or every word.
kx::CharSet addLigatures(const kx::CharSet& set, const QStringList& filterWords) {
    RbxFontRepertoire* font = RbxNameFilterState::shared().selectedFontRepertoire();
    if (!font) return set;
    const QStringList ligatures = font->ligatureStrings();
    if (ligatures.isEmpty()) return set;
    kx::CharSet out = set;
    const bool hasCharacters = !set.isEmpty();
    const std::vector<rbx::FoldedWord> words = foldedWords(filterWords);
    for (qsizetype i = 0; i < ligatures.size(); ++i) {
        const QString& text = ligatures[i];
        bool add = false;
        if (hasCharacters)
            kx::str::forUTF32Characters(text, [&](char32_t c) { add = add || set.contains(c); });
        if (!add && !words.empty()) {
            const QString plain = withoutJoiners(text);
            add = true;
            for (const rbx::FoldedWord& w : words)
                if (!w.isContainedIn(plain)) { add = false; break; }
        }
        if (add) out.addCharacter(RbxFontRepertoire::LigatureBase + static_cast<char32_t>(i));
    }
    return out;
}

kx::CharSet unnamedCharacters() {
    const RbxCharacterName::NamesAndIndex names = RbxCharacterName::allNamesWithIndex();
    kx::CharSet named = names.index ? names.index->namedCharacters() : kx::CharSet();
    named.addCharactersFrom(0xB0000, 0xBFFFF);
    named.formUnion(RbxCharacterName::characterSetWithCustomNames());
    if (const auto pua = RbxCharacterName::puaNamesOfCurrentFont())
        for (std::size_t i = 0; i < pua->size(); ++i) named.addCharacter(pua->character(i));
    named.invert();
    return named;
}

kx::CharSet computeFilteredCharacters(const QString& filter) {
    FilterState& s = state();
    if (filter.startsWith(QLatin1String("++"))) return RbxCharacterName::characterSetWithCustomNamesMatchingFilter(filter);
    if (filter == QLatin1String("--")) return unnamedCharacters();
    // A list of characters: the ligatures that hold one of them (its text is no word).
    if (filter.endsWith(QChar(ZeroWidthSpace))) return addLigatures(kx::CharSet::fromString(filter.chopped(1)), {});
    if (RbxNameFilter::stringContainsTextSearchCharacter(filter)) return addLigatures(kx::CharSet::fromString(filter), {});

    kx::CharSet set = addLigatures(charactersOf(currentMatches()), s.words);
    set.formUnion(RbxCharacterName::characterSetWithCustomNamesMatchingFilter(filter));
    if (!s.words.isEmpty()) {
        if (s.letters == 0)
            if (const auto blocks = RbxLayout::unicodeBlocksLayout())
                set.formUnion(blocks->characterSetForBlockNameFilter(s.words));
        for (const QString& w : s.words) {
            const char32_t d = RbxNameFilter::decimalNumberForString(w);
            if (RbxNameFilter::countsAsNumber(d)) set.addCharacter(d);
            const char32_t h = RbxNameFilter::hexNumberForString(w);
            if (RbxNameFilter::countsAsNumber(h)) set.addCharacter(h);
        }
    }
    return set;
}

} // namespace

void RbxNameFilter::setFilter(const QString& text) {
    FilterState& s = state();
    if (text.isEmpty())
        s.filter.reset();
    else
        s.filter = text;
    rebuildFilter();
}

QString RbxNameFilter::filterString() { return state().filter.value_or(QStringLiteral("")); }

bool RbxNameFilter::hasFilter() { return state().filter.has_value(); }

void RbxNameFilter::rebuildFilter() {
    FilterState& s = state();
    s.matches.reset();
    s.characters.reset();
    deriveWords();
}

std::optional<kx::CharSet> RbxNameFilter::filteredCharacters() {
    FilterState& s = state();
    if (!s.filter) return std::nullopt;
    if (!s.characters) {
        s.characters = computeFilteredCharacters(*s.filter);
        RbxNameFilterState::shared().searched();
    }
    return s.characters;
}

std::vector<RbxCharacterName> RbxNameFilter::filteredNames() {
    FilterState& s = state();
    if (s.words.isEmpty() && s.letters == 0) {
        std::vector<RbxCharacterName> all;
        if (const RbxCharacterName::SharedList list = RbxCharacterName::allNames()) {
            all.reserve(list->size());
            for (std::size_t i = 0; i < list->size(); ++i) all.push_back(list->at(i));
        }
        return all;
    }
    std::vector<RbxCharacterName> names = recordsOf(currentMatches());
    RbxNameFilterState::shared().searched();
    return names;
}

kx::CharSet RbxNameFilter::charactersMatchingFilter(const QString& text) {
    const std::optional<QString> saved = state().filter;
    setFilter(text);
    const kx::CharSet set = filteredCharacters().value_or(kx::CharSet());
    state().filter = saved;
    rebuildFilter();
    filteredCharacters();
    return set;
}

std::vector<RbxCharacterName> RbxNameFilter::namesMatchingSearchString(const QString& text) {
    QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    const std::uint32_t mask = lettersFromFilterParts(words);
    if (words.isEmpty() && mask == 0) return {};
    std::vector<RbxCharacterName> names = recordsOf(matchingRecords(words, mask));
    std::vector<RbxCharacterName> numbers;
    for (const QString& w : words) {
        for (const char32_t v : {decimalNumberForString(w), hexNumberForString(w)}) {
            if (!countsAsNumber(v)) continue;
            if (auto rec = RbxCharacterName::rbxCharacterNameForCharacter(v)) numbers.push_back(*rec);
        }
    }
    names.insert(names.begin(), numbers.begin(), numbers.end());
    RbxNameFilterState::shared().searched();
    return names;
}

std::uint32_t RbxNameFilter::lettersFromFilterParts(QStringList& words) {
    std::uint32_t mask = 0;
    for (qsizetype i = words.size() - 1; i >= 0; --i) {
        const QString& w = words[i];
        if (w.isEmpty()) {
            words.removeAt(i);
            continue;
        }
        if (w.size() != 1) continue;
        char16_t u = w.at(0).unicode();
        if (u >= 'a' && u <= 'z') u = static_cast<char16_t>(u - 'a' + 'A');
        if (u < 'A' || u > 'Z') continue;
        mask |= std::uint32_t(1) << (u - 'A');
        words.removeAt(i);
    }
    return mask;
}

std::vector<RbxCharacterName> RbxNameFilter::newListOfNamesMatchingParts(const QStringList& words, std::uint32_t mask) {
    return recordsOf(matchingRecords(words, mask));
}

char32_t RbxNameFilter::decimalNumberForString(const QString& word) {
    if (word == QLatin1String("#")) return 35;
    std::uint64_t v = 0;
    bool nonZero = false;
    for (QChar q : word) {
        if (q == u'#' && !nonZero) continue;
        if (!isDecimalDigit(q)) return 0;
        const int d = q.unicode() - '0';
        nonZero = nonZero || d != 0;
        v = std::min<std::uint64_t>(v * 10 + static_cast<std::uint64_t>(d), 0xFFFFFFFF);
    }
    return static_cast<char32_t>(v);
}

char32_t RbxNameFilter::hexNumberForString(const QString& word) {
    QStringView w(word);
    if (w.startsWith(QLatin1String("U+")) || w.startsWith(QLatin1String("u+")))
        w = w.mid(2);
    else if (w.startsWith(u'U') || w.startsWith(u'u'))
        w = w.mid(1);
    std::uint64_t v = 0;
    bool nonZero = false;
    for (QChar q : w) {
        if ((q == u'x' || q == u'X') && !nonZero) continue;
        const int d = hexValue(q);
        if (d < 0) return 0;
        nonZero = nonZero || d != 0;
        v = std::min<std::uint64_t>(v * 16 + static_cast<std::uint64_t>(d), 0xFFFFFFFF);
    }
    return static_cast<char32_t>(v);
}

bool RbxNameFilter::countsAsNumber(char32_t v) {
    return (v >= 1 && v <= 0x9FFFF) || (v >= 0xC0000 && v <= 0x10FFFF);
}

const kx::CharSet& RbxNameFilter::textSearchTriggerCharacters() {
    static const kx::CharSet set = [] {
        kx::CharSet s = kx::CharSet::fromRange(0, 0x10FFFF);
        s.removeCharactersFrom('A', 'Z');
        s.removeCharactersFrom('a', 'z');
        s.removeCharactersFrom('0', '9');
        for (char32_t c : {U' ', U'+', U'-', U'#', U'(', U')'}) s.removeCharacter(c);
        return s;
    }();
    return set;
}

bool RbxNameFilter::stringContainsTextSearchCharacter(const QString& text) {
    const kx::CharSet& triggers = textSearchTriggerCharacters();
    for (QChar q : text)
        if (triggers.contains(q.unicode())) return true;
    const qsizetype i = text.indexOf(u'#');
    if (i < 0) return false;
    if (i > 0 && text.at(i - 1) != u' ') return true;
    if (i == text.size() - 1) return true;
    return !isDecimalDigit(text.at(i + 1));
}

kx::CharSet RbxNameFilter::addLigaturesToFilter(const kx::CharSet& set) {
    return addLigatures(set, state().words);
}

kx::CharSet RbxNameFilter::characterSetForCharacters(const std::vector<RbxCharacterName>& records) {
    kx::CharSet set;
    for (const RbxCharacterName& rec : records) set.addCharacter(rec.character());
    return set;
}

void RbxNameFilter::prepareIndex() { RbxCharacterName::loadNamesInBackground(); }

bool RbxNameFilter::isIndexUnderWay() { return RbxCharacterName::isIndexUnderWay(); }

bool RbxNameFilter::readNamesAgainIfDamaged() { return RbxCharacterName::readAgainIfDamaged(); }

void RbxNameFilter::whenIndexReady(QObject* context, std::function<void()> fn) {
    RbxCharacterName::whenIndexReady([context = QPointer<QObject>(context), fn = std::move(fn)] {
        if (context) fn();
    });
}

