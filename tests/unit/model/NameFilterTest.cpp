// The search filter over the bundle's full name list.

#include "LayoutFixtures.h"

#include "common/TestEnvironment.h"
#include "model/CharacterNameState.h"
#include "model/RbxNameIndex.h"
#include "model/RbxTextMatching.h"

#include <gmock/gmock.h>

using namespace layouttest;
using ::testing::ElementsAre;

namespace {

// What a name search must find, by looking at every record.
kx::CharSet namesHoldingEveryWord(const QStringList& words, std::uint32_t letters = 0) {
    kx::CharSet set;
    const auto list = RbxCharacterName::allNames();
    for (std::size_t i = 0; i < list->size(); ++i) {
        if (letters != 0 && !list->matchesLetterSet(i, letters)) continue;
        if (rbx::nameMatchesSearchStrings(list->nameView(i).toString(), words)) set.addCharacter(list->character(i));
    }
    return set;
}

kx::CharSet filtered(const QString& text) {
    RbxNameFilter::setFilter(text);
    return RbxNameFilter::filteredCharacters().value_or(kx::CharSet());
}

std::uint32_t letterBit(char c) { return std::uint32_t(1) << (c - 'A'); }

} // namespace

class NameFilterTest : public ModelTest {};

TEST_F(NameFilterTest, NoFilter) {
    EXPECT_FALSE(RbxNameFilter::hasFilter());
    EXPECT_FALSE(RbxNameFilter::filteredCharacters().has_value());
    RbxNameFilter::setFilter(QStringLiteral("x"));
    EXPECT_TRUE(RbxNameFilter::hasFilter());
    EXPECT_EQ(RbxNameFilter::filterString(), QStringLiteral("x"));
    RbxNameFilter::setFilter(QString());
    EXPECT_FALSE(RbxNameFilter::hasFilter());
    EXPECT_EQ(RbxNameFilter::filterString(), QStringLiteral(""));
}

TEST_F(NameFilterTest, SingleLetterMatchesLettersOnly) {
    const kx::CharSet a = filtered(QStringLiteral("a"));
    EXPECT_TRUE(a.contains(U'a'));
    EXPECT_TRUE(a.contains(U'A'));
    EXPECT_FALSE(a.contains(U'B'));
    EXPECT_FALSE(a.contains(0x2190));  // LEFTWARDS ARROW holds an "a" but stands for no letter
    EXPECT_EQ(a, namesHoldingEveryWord({}, letterBit('A')));
}

TEST_F(NameFilterTest, LetterAndWord) {
    const kx::CharSet set = filtered(QStringLiteral("a arrow"));
    EXPECT_EQ(set, namesHoldingEveryWord({QStringLiteral("arrow")}, letterBit('A')));
    EXPECT_FALSE(set.isEmpty());
    EXPECT_FALSE(set.contains(0x2190));  // no block rule with a letter
}

TEST_F(NameFilterTest, DigitsAreNamesAndNumbers) {
    kx::CharSet expected = namesHoldingEveryWord({QStringLiteral("41")});
    expected.addCharacter(0x29);
    expected.addCharacter(0x41);
    EXPECT_EQ(filtered(QStringLiteral("41")), expected);
    EXPECT_TRUE(expected.contains(0x4E41));  // CJK UNIFIED IDEOGRAPH-4E41
}

TEST_F(NameFilterTest, NumberForms) {
    EXPECT_TRUE(filtered(QStringLiteral("U+1F600")).contains(0x1F600));
    EXPECT_TRUE(filtered(QStringLiteral("u1f600")).contains(0x1F600));
    EXPECT_TRUE(filtered(QStringLiteral("x2190")).contains(0x2190));
    EXPECT_EQ(filtered(QStringLiteral("#169")), kx::CharSet::fromString(QStringLiteral("\u00A9")));
    // A lone number sign is a literal search for it.
    EXPECT_EQ(filtered(QStringLiteral("#")), kx::CharSet::fromString(QStringLiteral("#")));
    // Planes 10 and 11 never count as numbers.
    EXPECT_FALSE(filtered(QStringLiteral("A0000")).contains(0xA0000));
    EXPECT_FALSE(filtered(QStringLiteral("B0001")).contains(0xB0001));

    EXPECT_EQ(RbxNameFilter::decimalNumberForString(QStringLiteral("#")), 35u);
    EXPECT_EQ(RbxNameFilter::decimalNumberForString(QStringLiteral("##0169")), 169u);
    EXPECT_EQ(RbxNameFilter::decimalNumberForString(QStringLiteral("16#9")), 0u);
    EXPECT_EQ(RbxNameFilter::decimalNumberForString(QStringLiteral("99999999999999999999")), 0xFFFFFFFFu);
    EXPECT_EQ(RbxNameFilter::hexNumberForString(QStringLiteral("0x41")), 0x41u);
    EXPECT_EQ(RbxNameFilter::hexNumberForString(QStringLiteral("cafe")), 0xCAFEu);
    EXPECT_EQ(RbxNameFilter::hexNumberForString(QStringLiteral("arrow")), 0u);
    EXPECT_EQ(RbxNameFilter::hexNumberForString(QStringLiteral("1x2")), 0u);
    EXPECT_FALSE(RbxNameFilter::countsAsNumber(0));
    EXPECT_TRUE(RbxNameFilter::countsAsNumber(0x9FFFF));
    EXPECT_FALSE(RbxNameFilter::countsAsNumber(0xA0000));
    EXPECT_FALSE(RbxNameFilter::countsAsNumber(0xBFFFF));
    EXPECT_TRUE(RbxNameFilter::countsAsNumber(0xC0000));
    EXPECT_FALSE(RbxNameFilter::countsAsNumber(0x110000));
}

TEST_F(NameFilterTest, BlockNamesBringWholeBlocks) {
    const kx::CharSet set = filtered(QStringLiteral("arrows"));
    for (char32_t c = 0x2190; c <= 0x21FF; ++c) ASSERT_TRUE(set.contains(c)) << std::hex << static_cast<unsigned>(c);
    EXPECT_TRUE(set.contains(0x21FF));
    EXPECT_TRUE(set.contains(0x2B00));  // Miscellaneous Symbols and Arrows
    EXPECT_FALSE(set.contains(0x2200));
}

TEST_F(NameFilterTest, TextSearchTriggers) {
    EXPECT_FALSE(RbxNameFilter::stringContainsTextSearchCharacter(QStringLiteral("latin (a) + b - 1")));
    EXPECT_TRUE(RbxNameFilter::stringContainsTextSearchCharacter(QStringLiteral("a.b")));
    EXPECT_TRUE(RbxNameFilter::stringContainsTextSearchCharacter(QStringLiteral("\u00e9")));
    EXPECT_FALSE(RbxNameFilter::stringContainsTextSearchCharacter(QStringLiteral("x #12")));
    EXPECT_TRUE(RbxNameFilter::stringContainsTextSearchCharacter(QStringLiteral("x#12")));
    EXPECT_TRUE(RbxNameFilter::stringContainsTextSearchCharacter(QStringLiteral("#x")));
    EXPECT_TRUE(RbxNameFilter::stringContainsTextSearchCharacter(QStringLiteral("1 #")));
    EXPECT_FALSE(RbxNameFilter::textSearchTriggerCharacters().contains(U'('));
    EXPECT_TRUE(RbxNameFilter::textSearchTriggerCharacters().contains(U'*'));
}

TEST_F(NameFilterTest, LiteralCharactersWithLigatures) {
    RbxCharSetRepertoire font(kx::CharSet::fromRange(0x20, 0x17F),
                              {QStringLiteral("fi"), QString::fromUtf8("é\u200Dt"), QStringLiteral("St"), QStringLiteral("et")},
                              QStringLiteral("F"), QStringLiteral("F"));
    palette.font = &font;
    // Exactly the character and the ligatures holding it ("et" holds no "é").
    EXPECT_EQ(filtered(QStringLiteral("\u00e9")), kx::CharSet::fromString(QString::fromUcs4(U"\u00e9\U000B0001", 2)));
    // Text ending in a zero-width space is literal too, without that space.
    EXPECT_EQ(filtered(QStringLiteral("ab\u200B")), kx::CharSet::fromString(QStringLiteral("ab")));
    // A word found in a ligature's text (ignoring case, joiners left out).
    EXPECT_TRUE(filtered(QStringLiteral("et")).contains(0xB0001));
    EXPECT_TRUE(filtered(QStringLiteral("et")).contains(0xB0003));
    EXPECT_TRUE(filtered(QStringLiteral("st")).contains(0xB0002));
    EXPECT_FALSE(filtered(QStringLiteral("st")).contains(0xB0000));
}

TEST_F(NameFilterTest, UnnamedCharactersWithoutLigatureValues) {
    RbxCharSetRepertoire font(kx::CharSet::fromRange(0x20, 0x7E), {QStringLiteral("fi")});
    palette.font = &font;
    const kx::CharSet set = filtered(QStringLiteral("--"));
    EXPECT_FALSE(set.contains(0xB0000));
    EXPECT_FALSE(set.contains(0xBFFFF));
    EXPECT_FALSE(set.contains(U'A'));
    EXPECT_TRUE(set.contains(0x0378));  // unassigned
    EXPECT_TRUE(set.contains(0xE000));  // private use has no name
}

TEST_F(NameFilterTest, CharactersMatchingFilterKeepsTheCurrentFilter) {
    RbxNameFilter::setFilter(QStringLiteral("heart"));
    const kx::CharSet hearts = *RbxNameFilter::filteredCharacters();
    const kx::CharSet arrows = RbxNameFilter::charactersMatchingFilter(QStringLiteral("arrow"));
    EXPECT_TRUE(arrows.contains(0x2190));
    EXPECT_EQ(RbxNameFilter::filterString(), QStringLiteral("heart"));
    EXPECT_EQ(*RbxNameFilter::filteredCharacters(), hearts);
    EXPECT_TRUE(hearts.contains(0x2665));
}

TEST_F(NameFilterTest, FindDirectiveInALayout) {
    const auto list = RbxCustomLayout::descriptionsFromText(QStringLiteral("Hearts\n[FIND heart]\n"));
    ASSERT_EQ(list.size(), 1u);
    kx::CharSet expected = namesHoldingEveryWord({QStringLiteral("heart")});
    expected.removeCharactersFrom(0, 0x1F);
    expected.removeCharactersFrom(0xB0000, 0xBFFFF);
    EXPECT_EQ(list[0]->characterSet(), expected);
    EXPECT_TRUE(expected.contains(0x2764));
}

TEST_F(NameFilterTest, IndexAgreesWithLookingAtEveryName) {
    for (const QString& q : {QStringLiteral("latin small"), QStringLiteral("letter-a"), QStringLiteral("-"),
                             QStringLiteral("cjk 4e0"), QStringLiteral("ARROW-"), QStringLiteral("e w"),
                             QStringLiteral("(a)"), QStringLiteral("smiling face"), QStringLiteral("zzz"),
                             QStringLiteral("l\u00e9tter"), QStringLiteral("\u00c5land"), QStringLiteral("face;"),
                             QStringLiteral("; grin"), QStringLiteral("--"), QStringLiteral("w-")}) {
        QStringList words = q.split(u' ', Qt::SkipEmptyParts);
        const std::uint32_t letters = RbxNameFilter::lettersFromFilterParts(words);
        const kx::CharSet viaIndex =
            RbxNameFilter::characterSetForCharacters(RbxNameFilter::newListOfNamesMatchingParts(words, letters));
        EXPECT_EQ(viaIndex, namesHoldingEveryWord(words, letters)) << q.toStdString();
    }
}

TEST_F(NameFilterTest, SearchesThroughTheMappedFilesFindWhatTheNamesHold) {
    // Once the loading is over, the list and its index are views over the mapped files.
    RbxCharacterName::allNames();
    ASSERT_TRUE(rbxtest::waitFor([] { return RbxCharacterName::allNames()->isView() && !rbx::names::state().load; }, 20000));
    const RbxCharacterName::NamesAndIndex mapped = RbxCharacterName::allNamesWithIndex();
    RbxCharacterName::List inMemory = *mapped.list;
    inMemory.sort();  // a list of its own, in the same order
    ASSERT_FALSE(inMemory.isView());
    const RbxNameIndex heapIndex(inMemory);
    for (const QString& q : {QStringLiteral("arrow"), QStringLiteral("greek small"), QStringLiteral("a latin"),
                             QStringLiteral("cjk 4e0"), QStringLiteral("letter-a"), QStringLiteral("\u00c5land"),
                             QStringLiteral("face grin"), QStringLiteral("z"), QStringLiteral("tangut ideograph-18")}) {
        QStringList words = q.split(u' ', Qt::SkipEmptyParts);
        const std::uint32_t letters = RbxNameFilter::lettersFromFilterParts(words);
        std::vector<rbx::FoldedWord> folded;
        for (const QString& w : words) folded.emplace_back(w);
        EXPECT_EQ(mapped.index->matching(folded, letters), heapIndex.matching(folded, letters)) << q.toStdString();
        EXPECT_EQ(RbxNameFilter::characterSetForCharacters(RbxNameFilter::newListOfNamesMatchingParts(words, letters)),
                  namesHoldingEveryWord(words, letters))
            << q.toStdString();
    }
    EXPECT_EQ(mapped.index->namedCharacters(), heapIndex.namedCharacters());
    kx::CharSet unnamed = heapIndex.namedCharacters();
    unnamed.addCharactersFrom(0xB0000, 0xBFFFF);
    unnamed.invert();
    EXPECT_EQ(filtered(QStringLiteral("--")), unnamed);
}

TEST_F(NameFilterTest, LettersFromFilterParts) {
    QStringList words{QStringLiteral("a"), QStringLiteral(""), QStringLiteral("Z"), QStringLiteral("1"),
                      QStringLiteral("ab"), QStringLiteral("\u00e9")};
    EXPECT_EQ(RbxNameFilter::lettersFromFilterParts(words), letterBit('A') | letterBit('Z'));
    EXPECT_EQ(words, (QStringList{QStringLiteral("1"), QStringLiteral("ab"), QStringLiteral("\u00e9")}));
}

TEST_F(NameFilterTest, NamesForASearchStringPutNumbersFirst) {
    const std::vector<RbxCharacterName> names = RbxNameFilter::namesMatchingSearchString(QStringLiteral("41 x2190"));
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(names[0].character(), 0x29u);    // decimal 41
    EXPECT_EQ(names[1].character(), 0x41u);    // hexadecimal 41
    EXPECT_EQ(names[2].character(), 0x2190u);  // hexadecimal 2190
    EXPECT_TRUE(RbxNameFilter::namesMatchingSearchString(QStringLiteral("  ")).empty());
    const auto letters = RbxNameFilter::namesMatchingSearchString(QStringLiteral("z"));
    ASSERT_FALSE(letters.empty());
    for (const auto& rec : letters) EXPECT_EQ(rec.letter(), u'Z');
}

TEST_F(NameFilterTest, FilteredNames) {
    RbxNameFilter::setFilter(QStringLiteral("q latin"));
    const auto names = RbxNameFilter::filteredNames();
    ASSERT_FALSE(names.empty());
    for (const auto& rec : names) {
        EXPECT_EQ(rec.letter(), u'Q');
        EXPECT_TRUE(rec.name().contains(QStringLiteral("LATIN"), Qt::CaseInsensitive));
    }
    // Without words or letters: the whole list.
    RbxNameFilter::setFilter(QStringLiteral("   "));
    EXPECT_EQ(RbxNameFilter::filteredNames().size(), RbxCharacterName::allNames()->size());
}

TEST_F(NameFilterTest, WordsIgnoreCaseAndDiacritics) {
    const auto found = [](const QString& text) {
        return RbxNameFilter::characterSetForCharacters(RbxNameFilter::namesMatchingSearchString(text));
    };
    const char32_t alandFlag = 0xA0000 + 26 * 0 + 23;  // FLAG: ÅLAND ISLANDS
    const kx::CharSet aland = found(QStringLiteral("aland"));
    EXPECT_TRUE(aland.contains(alandFlag));
    EXPECT_EQ(found(QStringLiteral("\u00C5LAND")), aland);
    EXPECT_TRUE(filtered(QStringLiteral("ALAND islands")).contains(alandFlag));
    // Accented words find the plain names.
    const kx::CharSet latin = found(QStringLiteral("latin letter"));
    EXPECT_FALSE(latin.isEmpty());
    EXPECT_EQ(found(QStringLiteral("L\u00E1tin l\u00E9tter")), latin);
}
