// Ligature candidates of the 'morx' ligature subtables: the class sequences that lead
// through the state machine to a ligature action.
#include "model/LigatureReaders.h"

#include "core/Log.h"
#include "model/KXCharGlyphMap.h"
#include "model/MorxStructure.h"
#include "model/RbxFontInfo.h"
#include "model/VirtualCharacters.h"

namespace rbx::font {

std::optional<QString> classCharactersForGlyphs(std::uint32_t first, std::uint32_t last, const KXCharGlyphMap& map) {
    if (first == 0xFFFF || first > last) return std::nullopt;
    QString s;
    for (std::uint32_t g = first; g <= last && g <= 0xFFFF; ++g)
        if (const char32_t c = map.leftToRightCharacterForGlyph(g)) s += kx::str::stringWithUTF32Character(c);
    if (s.isEmpty()) return std::nullopt;
    return s;
}

// ---- the class-sequence search ----------------------------------------------------

ClassSequenceSearch::ClassSequenceSearch(std::vector<std::uint16_t> cells, int nStates, int nClasses,
                                         QStringList classStrings, bool withClassNumbers, ReadingBudget* budget)
    : cells_(std::move(cells)), nStates_(std::max(nStates, 0)), nClasses_(std::max(nClasses, 0)),
      classStrings_(std::move(classStrings)), withClassNumbers_(withClassNumbers), budget_(budget) {
    // Never read a row the cells do not hold.
    if (nClasses_ == 0 || std::size_t(nStates_) * std::size_t(nClasses_) > cells_.size())
        nStates_ = nClasses_ ? int(cells_.size() / std::size_t(nClasses_)) : 0;
}

QString ClassSequenceSearch::sequenceString(int lastClass) const {
    QString s;
    if (withClassNumbers_) {
        for (int k : sequence_) s += QStringLiteral("%1 ").arg(k);
        s += QStringLiteral("%1 ").arg(lastClass);
        s += QStringLiteral(": ");
    }
    auto add = [&](int k) {
        const QString c = classStrings_.value(k);
        s += c.size() == 1 ? c : QStringLiteral("[%1] ").arg(c);
    };
    for (int k : sequence_) add(k);
    add(lastClass);
    return s;
}

void ClassSequenceSearch::extend(int state) {
    // A next state outside the table's states leads nowhere.
    if (state < 0 || state >= nStates_) return;
    if (onPath_[std::size_t(state)] || abandoned_) return;
    if (++steps_ > MaxSteps || (budget_ && !budget_->spend())) {
        abandoned_ = true;
        return;
    }
    onPath_[std::size_t(state)] = 1;
    ++depth_;
    greatest_ = std::max(greatest_, depth_);
    struct Leave {
        ClassSequenceSearch* s;
        int state;
        ~Leave() {
            s->onPath_[std::size_t(state)] = 0;
            --s->depth_;
        }
    } leave{this, state};
    if (greatest_ >= 31) {
        abandoned_ = true;
        return;
    }
    if (sequence_.size() > 49 || nClasses_ < 5) return;
    for (int k = 4; k < nClasses_; ++k) {
        const std::uint16_t cell = cells_[std::size_t(state) * std::size_t(nClasses_) + std::size_t(k)];
        int next = cell;
        if (cell & 0x8000) {
            result_ << sequenceString(k);
            if (result_.size() >= 15001) {
                abandoned_ = true;
                return;
            }
            next = cell & 0x3FFF;
        }
        if (next >= 2) {
            sequence_.push_back(k);
            extend(next);
            sequence_.pop_back();
            if (abandoned_) return;
        }
    }
}

std::optional<QStringList> ClassSequenceSearch::run(const QString& fontName) {
    result_.clear();
    result_.reserve(100);
    sequence_.clear();
    depth_ = greatest_ = 0;
    steps_ = 0;
    abandoned_ = false;
    onPath_.assign(std::size_t(nStates_), 0);
    extend(0);
    if (greatest_ >= 31) {
        kx::log(QStringLiteral("class sequence recursion exceeded for %1: %2 states, %3 classes")
                    .arg(fontName).arg(nStates_).arg(nClasses_));
        return std::nullopt;
    }
    if (steps_ > MaxSteps) {
        kx::log(QStringLiteral("class sequence search gave up for %1 after %2 steps: %3 states, %4 classes")
                    .arg(fontName).arg(MaxSteps).arg(nStates_).arg(nClasses_));
        return std::nullopt;
    }
    if (abandoned_) return std::nullopt;
    return result_;
}

// ---- the table ----------------------------------------------------------------------

namespace {

std::optional<QStringList> readMorx(const kx::ByteReader& t, const KXCharGlyphMap& map, const kx::CharSet& excluded,
                                    const QString& fontName, ReadingBudget& work) {
    QStringList result;
    result.reserve(1000);
    if (t.size() < 25) return std::nullopt;
    const std::uint32_t chains = t.u32(4);
    if (chains == 0) return std::nullopt;
    std::size_t chain = 8;
    for (std::uint32_t c = 0; c < chains; ++c) {
        if (!t.has(chain, 16)) return result; // stopped early: as found, unsorted
        const std::uint32_t chainLength = t.u32(chain + 4), features = t.u32(chain + 8), subtables = t.u32(chain + 12);
        if (!t.has(chain, chainLength)) return result;
        std::size_t sub = chain + 16 + 12 * std::size_t(features);
        for (std::uint32_t i = 0; i < subtables; ++i) {
            if (!work.spend()) return result;  // out of work: as found, unsorted
            const std::uint32_t length = t.u32(sub), coverage = t.u32(sub + 4);
            if (!t.has(sub, length)) return result;
            if ((coverage & 0xFF) == 2) {
                const morx::LigatureSubtable lig = morx::readLigatureSubtable(t, sub, length);
                if (lig.nClasses > morx::MaxClasses) return result;
                std::vector<QString> classes(lig.nClasses);
                const morx::ClassTable read = morx::readClassTable(t, lig, map, classes, nullptr, work);
                if (read == morx::ClassTable::Unsupported) return std::nullopt;
                if (read == morx::ClassTable::BudgetSpent) return result;
                const morx::Regions regions = morx::regionsOf(lig);
                if (!regions.statesFit || !regions.entriesFit) return result;
                const auto cells = morx::packedStates(t, lig, regions, classes, nullptr, work);
                if (!cells) return result;
                QStringList classStrings;
                for (const QString& s : classes) classStrings << s;
                ClassSequenceSearch search(*cells, regions.nStates, int(lig.nClasses), classStrings, false, &work);
                if (auto found = search.run(fontName)) result += *found;
                if (work.isSpent()) return result;
            }
            sub += length;
            if (length == 0) break;
        }
        chain += chainLength;
        if (chainLength == 0) break;
    }
    if (result.isEmpty()) return std::nullopt;
    sortAndCleanupLigatures(result, excluded);
    return result;
}

} // namespace

std::optional<QStringList> ligaturesInMorx(const kx::ByteReader& t, const KXCharGlyphMap& map,
                                           const kx::CharSet& excluded, const QString& fontName,
                                           ReadingBudget* budget) {
    if (budget) return readMorx(t, map, excluded, fontName, *budget);
    // A table read on its own that asks for more than its size allows is refused.
    ReadingBudget own(ReadingBudget::unitsForTables(t.size()), fontName);
    std::optional<QStringList> found = readMorx(t, map, excluded, fontName, own);
    if (own.isSpent()) throw TableTooComplex(QStringLiteral("morx"));
    return found;
}

std::optional<QStringList> ligaturesFrommorxWithoutCharacters(const Font& font, const kx::CharSet& excluded,
                                                              ReadingBudget* budget) {
    if (!font) return std::nullopt;
    if (RbxFontInfo::tuningIgnoresLigatures(font, QStringLiteral("morx"))) return std::nullopt;
    const auto table = font->table(kx::fourCC("morx"));
    if (!table) return std::nullopt;
    const auto map = KXCharGlyphMap::charGlyphMapForFont(font);
    if (!map) return std::nullopt;
    if (budget) return ligaturesInMorx(kx::ByteReader(*table), *map, excluded, font.postScriptName(), budget);
    ReadingBudget own = readingBudgetForFont(font);
    return ligaturesInMorx(kx::ByteReader(*table), *map, excluded, font.postScriptName(), &own);
}

} // namespace rbx::font
