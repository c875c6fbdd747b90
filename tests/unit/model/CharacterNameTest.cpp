#include "NameFixtures.h"
#include "common/SmallFileSystem.h"

#include "core/AtomicFile.h"
#include "core/Log.h"
#include "model/RbxCharacterName.h"
#include "model/RbxFontList.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QDir>

#include <gtest/gtest.h>
#include <string>

using namefix::record;

namespace {

RbxCharacterName named(const char* name) { return RbxCharacterName(0x41, QString::fromUtf8(name)); }

char letterOf(const char* name) {
    RbxCharacterName n = named(name);
    n.checkForLetter();
    return static_cast<char>(n.letter());
}

} // namespace

TEST(CharacterNameRecord, LetterIsTheFirstCapitalStandingAlone) {
    EXPECT_EQ(letterOf("LATIN SMALL LETTER A"), 'A');
    EXPECT_EQ(letterOf("LATIN CAPITAL LETTER B WITH DOT ABOVE"), 'B');
    EXPECT_EQ(letterOf("C"), 'C');
    EXPECT_EQ(letterOf("GREEK SMALL LETTER ALPHA"), 0);
    EXPECT_EQ(letterOf("DIGIT ONE"), 0);
    EXPECT_EQ(letterOf("LATIN LETTER a"), 0);  // only capitals count
    // Names that merely mention a letter.
    EXPECT_EQ(letterOf("NOT A SIGN"), 0);
    EXPECT_EQ(letterOf("NEITHER A NOR B"), 0);
    EXPECT_EQ(letterOf("LINEAR B SYLLABLE B008 A"), 0);
    // A doubled capital at the end.
    EXPECT_EQ(letterOf("SQUARED OK"), 0);
    EXPECT_EQ(letterOf("LATIN SMALL LETTER AA"), 'A');
    EXPECT_EQ(letterOf("NOT A LETTER ZZ"), 'Z');
    EXPECT_EQ(letterOf(" ZZ"), 'Z');
    EXPECT_EQ(letterOf("ZZ"), 0);
}

TEST(CharacterNameRecord, LetterSetMatchesOnlyRecordsWithALetter) {
    RbxCharacterName a(0x61, 'A', 150, QStringLiteral("LATIN SMALL LETTER A"));
    RbxCharacterName none(0x2192, 0, 150, QStringLiteral("RIGHTWARDS ARROW"));
    EXPECT_TRUE(a.matchesLetterSet(1u << 0));
    EXPECT_TRUE(a.matchesLetterSet(0x3FFFFFFu));
    EXPECT_FALSE(a.matchesLetterSet(1u << 1));
    EXPECT_FALSE(none.matchesLetterSet(0xFFFFFFFFu));
}

TEST(CharacterNameRecord, PlainNameAndKeywords) {
    RbxCharacterName n(0x1F600, QStringLiteral("GRINNING FACE; face grin"));
    EXPECT_EQ(n.plainName(), QStringLiteral("GRINNING FACE"));
    EXPECT_EQ(n.keywords(), QStringLiteral("face grin"));
    RbxCharacterName several(0x41, QStringLiteral("A; b; c d "));
    EXPECT_EQ(several.plainName(), QStringLiteral("A"));
    EXPECT_EQ(several.keywords(), QStringLiteral("c d"));
    RbxCharacterName plain(0x41, QStringLiteral("LATIN CAPITAL LETTER A"));
    EXPECT_EQ(plain.plainName(), plain.name());
    EXPECT_EQ(plain.keywords(), QStringLiteral(""));
}

TEST(CharacterNameRecord, PatternIgnoresCaseAndDiacritics) {
    RbxCharacterName n(0x1F1E6, QStringLiteral("FLAG: ÅLAND ISLANDS; Café"));
    EXPECT_TRUE(n.matchesPattern(QStringLiteral("aland")));
    EXPECT_TRUE(n.matchesPattern(QStringLiteral("ÅLAND")));
    EXPECT_TRUE(n.matchesPattern(QStringLiteral("cafe")));
    EXPECT_TRUE(n.matchesPattern(QStringLiteral("islands")));
    EXPECT_FALSE(n.matchesPattern(QStringLiteral("iceland")));
    RbxCharacterName ascii(0x41, QStringLiteral("LATIN CAPITAL LETTER A"));
    EXPECT_TRUE(ascii.matchesPattern(QStringLiteral("latin")));
    EXPECT_TRUE(ascii.matchesPattern(QStringLiteral("létter")));
    EXPECT_FALSE(ascii.matchesPattern(QStringLiteral("ω")));
}

TEST(CharacterNameRecord, CodePointOfFlagsAndPlainCharacters) {
    // The flag of the regional indicators D and E.
    const char32_t flag = 0xA0000 + 3 * 26 + 4;
    const RbxCharacterCodePointInfo info = RbxCharacterName(flag, QString()).codePoint();
    EXPECT_EQ(info.parts(), 2);
    EXPECT_EQ(info.string(), QStringLiteral("#127465 [U+1F1E9] + #127466 [U+1F1EA]"));

    const RbxCharacterCodePointInfo a = RbxCharacterName(0x41, QString()).codePoint();
    EXPECT_EQ(a.parts(), 1);
    EXPECT_EQ(a.string(), QStringLiteral("#65 [U+0041]"));
    EXPECT_EQ(RbxCharacterName(0x1F600, QString()).codePoint().string(), QStringLiteral("#128512 [U+1F600]"));
    const RbxCharacterCodePointInfo liga = RbxCharacterName(0xB0002, QString()).codePoint();
    EXPECT_EQ(liga.string(), QStringLiteral("N/A"));
    EXPECT_EQ(liga.parts(), 1);
}

TEST(CharacterNameRecord, TextsAndOrder) {
    RbxCharacterName n(0x1F600, QStringLiteral("GRINNING FACE"));
    EXPECT_EQ(n.hexCharacter(), QStringLiteral("1F600"));
    EXPECT_EQ(RbxCharacterName(0x41, QString()).hexCharacter(), QStringLiteral("0041"));
    EXPECT_EQ(n.characterString(), QString::fromUtf16(u"\U0001F600"));
    EXPECT_EQ(n.description(), QString::fromUtf16(u"GRINNING FACE (\"\U0001F600\", 1F600)"));
    EXPECT_EQ(RbxCharacterName(0xA0000 + 3 * 26 + 4, QString()).characterString(),
              QString::fromUtf16(u"\U0001F1E9\U0001F1EA"));

    const RbxCharacterName a(0x41, 0, 150, QStringLiteral("B"));
    const RbxCharacterName b(0x41, 0, 160, QStringLiteral("A"));
    const RbxCharacterName c(0x41, 0, 160, QStringLiteral("B"));
    const RbxCharacterName d(0x42, 0, 0, QStringLiteral("A"));
    EXPECT_EQ(a.compare(b), -1);  // group before name
    EXPECT_EQ(b.compare(c), -1);
    EXPECT_EQ(c.compare(d), -1);  // code point first
    EXPECT_EQ(d.compare(a), 1);
    EXPECT_EQ(c.compare(c), 0);
}

TEST(CharacterNameData, OneRecordWithItsLetter) {
    const std::optional<QByteArray> expanded =
        RbxCharacterName::expandedNameData(namefix::namesFile(record(65, 'A', "LATIN CAPITAL LETTER A")));
    ASSERT_TRUE(expanded);
    const RbxCharacterName::List names = RbxCharacterName::namesFromExpandedData(*expanded);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].character(), 65u);
    EXPECT_EQ(names[0].letter(), 'A');
    EXPECT_EQ(names[0].group(), RbxCharacterName::UnicodeGroup);
    EXPECT_EQ(names[0].name(), QStringLiteral("LATIN CAPITAL LETTER A"));
}

TEST(CharacterNameData, RecordsFollowEachOtherAndDecodeMacRoman) {
    const QByteArray data = record(0, ' ', "NULL") + record(97, 'A', "LATIN SMALL LETTER A") +
                            record(8594, ' ', "RIGHTWARDS ARROW") + record(983040, ' ', "caf\x8e");
    const RbxCharacterName::List names = RbxCharacterName::namesFromExpandedData(data);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0].character(), 0u);
    EXPECT_EQ(names[0].name(), QStringLiteral("NULL"));
    EXPECT_EQ(names[1].letter(), 'A');
    EXPECT_EQ(names[2].letter(), 0);  // a blank letter byte is no letter
    EXPECT_FALSE(names[2].matchesLetterSet(0xFFFFFFFFu));
    EXPECT_EQ(names[3].character(), 0xF0000u);
    EXPECT_EQ(names[3].name(), QString::fromUtf8("café"));
}

TEST(CharacterNameData, ARecordWithoutItsZeroByteEndsTheRead) {
    QByteArray data = record(65, 'A', "LATIN CAPITAL LETTER A") + "66BLATIN CAPITAL LETTER B";
    RbxCharacterName::List names = RbxCharacterName::namesFromExpandedData(data);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].character(), 65u);

    // Records without a code or beyond the code space are passed over.
    data = record(65, 'A', "X") + QByteArray("ZZZ\0", 4) + record(99999999, ' ', "HUGE") + record(66, 'B', "Y");
    names = RbxCharacterName::namesFromExpandedData(data);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[1].character(), 66u);
}

TEST(CharacterNameData, DamagedFilesGiveNoNamesAndAReason) {
    kx::LogCapture log;
    const QByteArray good = record(65, 'A', "LATIN CAPITAL LETTER A");

    EXPECT_FALSE(RbxCharacterName::expandedNameData(namefix::namesFile(good, good.size() + 1)));
    EXPECT_TRUE(log.contains(QStringLiteral("RbxCharacterName")));
    EXPECT_TRUE(log.contains(QStringLiteral("size mismatch (expected %1, got %2)").arg(good.size() + 1).arg(good.size())));

    log.clear();
    // A stated size smaller than the data: zlib runs out of room.
    EXPECT_FALSE(RbxCharacterName::expandedNameData(namefix::namesFile(good, 3)));
    EXPECT_TRUE(log.contains(QStringLiteral("uncompress failed (#%1)").arg(Z_BUF_ERROR)));

    log.clear();
    // A corrupt header must not make us reserve gigabytes.
    EXPECT_FALSE(RbxCharacterName::expandedNameData(namefix::namesFile(good, 0xFFFFFFF0LL)));
    EXPECT_TRUE(log.contains(QStringLiteral("could not allocate expansion buffer")));

    log.clear();
    QByteArray broken = namefix::namesFile(good);
    broken[8] = static_cast<char>(broken[8] ^ 0x55);
    EXPECT_FALSE(RbxCharacterName::expandedNameData(broken));
    EXPECT_TRUE(log.contains(QStringLiteral("uncompress failed")));

    EXPECT_FALSE(RbxCharacterName::expandedNameData(QByteArray("\0\0", 2)));
    EXPECT_FALSE(RbxCharacterName::expandedNameData(QByteArray(4, '\0')));  // no stream at all
}

TEST(CharacterNameCache, RoundTripKeepsEveryField) {
    RbxCharacterName::List names{RbxCharacterName(0x41, 'A', 150, QStringLiteral("LATIN CAPITAL LETTER A")),
                                 RbxCharacterName(0x1F600, 0, 250, QString::fromUtf8("GRINNING FACE; 😀 smile")),
                                 RbxCharacterName(0xA1003, 0, 0, QStringLiteral("")),
                                 RbxCharacterName(0x42, 'B', 7, QStringLiteral("xyz"))};
    const QByteArray data = RbxCharacterName::cacheDataForNames(names);
    const RbxCharacterName::List back = RbxCharacterName::namesFromCacheData(data);
    ASSERT_EQ(back.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(back[i].character(), names[i].character());
        EXPECT_EQ(back[i].letter(), names[i].letter());
        EXPECT_EQ(back[i].group(), names[i].group());
        EXPECT_EQ(back[i].name(), names[i].name());
    }
}

TEST(CharacterNameCache, LayoutOfRecords) {
    const RbxCharacterName::List names{RbxCharacterName(0x41, 'A', 150, QStringLiteral("A")),
                                       RbxCharacterName(0x42, 'B', 150, QStringLiteral("BC"))};
    const QByteArray data = RbxCharacterName::cacheDataForNames(names);
    // count, then 16 + 4 bytes ("A" with its mark), then 16 + 8 bytes (6 rounded up).
    ASSERT_EQ(data.size(), 8 + 20 + 24);
    const std::string bytes = data.toStdString();
    quint64 count, len;
    memcpy(&count, bytes.data(), 8);
    memcpy(&len, bytes.data() + 8 + 20, 8);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(len, 6u);
    char16_t bom;
    memcpy(&bom, bytes.data() + 8 + 16, 2);
    EXPECT_EQ(bom, 0xFEFF);
}

TEST(CharacterNameCache, LongNamesAreCutBetweenCharacters) {
    // 498 units then a surrogate pair at units 498/499: a cut after 499 units would
    // split the pair.
    QString name(498, u'x');
    name += QString::fromUtf16(u"\U0001F600") + QStringLiteral("tail");
    const RbxCharacterName::List back =
        RbxCharacterName::namesFromCacheData(RbxCharacterName::cacheDataForNames({RbxCharacterName(1, name)}));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].name(), QString(498, u'x'));

    QString plain(2000, u'y');
    const QByteArray data = RbxCharacterName::cacheDataForNames({RbxCharacterName(1, plain), RbxCharacterName(2, QStringLiteral("z"))});
    const RbxCharacterName::List two = RbxCharacterName::namesFromCacheData(data);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].name(), QString(499, u'y'));  // 2 + 998 bytes
    EXPECT_EQ(two[1].name(), QStringLiteral("z"));
}

TEST(CharacterNameCache, TruncatedOrEmptyCachesReadWhatIsThere) {
    const RbxCharacterName::List names{RbxCharacterName(1, QStringLiteral("ONE")), RbxCharacterName(2, QStringLiteral("TWO")),
                                       RbxCharacterName(3, QStringLiteral("THREE"))};
    const QByteArray data = RbxCharacterName::cacheDataForNames(names);
    for (qsizetype cut = 0; cut < data.size(); ++cut) {
        const RbxCharacterName::List back = RbxCharacterName::namesFromCacheData(data.left(cut));
        EXPECT_LE(back.size(), 3u);
        for (std::size_t i = 0; i < back.size(); ++i) EXPECT_EQ(back[i].character(), names[i].character());
    }
    EXPECT_TRUE(RbxCharacterName::namesFromCacheData(QByteArray(8, '\0')).empty());
    QByteArray zeroCount = data;
    memset(zeroCount.data(), 0, 8);
    EXPECT_TRUE(RbxCharacterName::namesFromCacheData(zeroCount).empty());
    // A huge count with little data stops at the end.
    QByteArray bigCount = data;
    memset(bigCount.data(), 0xFF, 8);
    EXPECT_EQ(RbxCharacterName::namesFromCacheData(bigCount).size(), 3u);
    // A text length running past the end stops the read.
    QByteArray badLength = data;
    memset(badLength.data() + 8, 0x7F, 8);
    EXPECT_TRUE(RbxCharacterName::namesFromCacheData(badLength).empty());
}

TEST(CharacterNameCache, AFileIsReplacedWholeOrNotAtAll) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("names"));
    const RbxCharacterName::List one{RbxCharacterName(1, QStringLiteral("ONE"))};
    const RbxCharacterName::List two{RbxCharacterName(1, QStringLiteral("ONE")), RbxCharacterName(2, QStringLiteral("TWO"))};
    ASSERT_TRUE(RbxCharacterName::writeCacheFile(one, path));
    ASSERT_TRUE(RbxCharacterName::writeCacheFile(two, path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), RbxCharacterName::cacheDataForNames(two));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("names")});

    // A cache that cannot take the place of what is there leaves no scraps behind.
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    ASSERT_TRUE(QDir().mkpath(blocked + QStringLiteral("/inside")));
    kx::LogCapture log;
    EXPECT_FALSE(RbxCharacterName::writeCacheFile(two, blocked));
    EXPECT_TRUE(log.contains(QStringLiteral("could not write the character name cache")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("names")});
}

TEST(CharacterNameList, LoadsOnFirstUseAndLooksUp) {
    namefix::ScratchBundle bundle;
    bundle.writeNames(record(65, 'A', "LATIN CAPITAL LETTER A") + record(97, 'A', "LATIN SMALL LETTER A") +
                      record(0x1F600, ' ', "GRINNING FACE; grin smile"));
    EXPECT_EQ(RbxCharacterName::allNames()->size(), 3u);
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(97), QStringLiteral("LATIN SMALL LETTER A"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x1F600), QStringLiteral("GRINNING FACE; grin smile"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(66), QStringLiteral(""));
    EXPECT_FALSE(RbxCharacterName::rbxCharacterNameForCharacter(66));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0xB0000), QStringLiteral(""));
    EXPECT_EQ(RbxCharacterName::fullNameOfCharacter(65), QStringLiteral("LATIN CAPITAL LETTER A"));
    // The cache is written in the background.
    EXPECT_TRUE(rbxtest::waitFor(RbxCharacterName::isCacheWritten));
    EXPECT_TRUE(QFileInfo::exists(namefix::cacheFile(QStringLiteral("names"))));
}

TEST(CharacterNameList, AfterAFlushNamesComeFromTheCache) {
    namefix::ScratchBundle bundle;
    bundle.writeNames(record(65, 'A', "LATIN CAPITAL LETTER A"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(65), QStringLiteral("LATIN CAPITAL LETTER A"));
    const RbxCharacterName::SharedList before = RbxCharacterName::allNames();
    ASSERT_TRUE(rbxtest::waitFor(RbxCharacterName::isCacheWritten));

    // The data file changes and the cache is replaced behind the list's back (as the
    // program replaces files, by renaming a new one over it, so that a list mapping the
    // old one keeps it): after a flush the cache's names appear, the data file is not
    // read again.
    bundle.writeNames(record(65, 'A', "FROM THE DATA FILE"));
    const QByteArray cache = RbxCharacterName::cacheDataForNames({RbxCharacterName(65, 'A', 150, QStringLiteral("FROM THE CACHE"))});
    ASSERT_TRUE(kx::writeFileAtomically(RbxCharacterName::cachedNamesPath(), cache));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(65), QStringLiteral("LATIN CAPITAL LETTER A"));
    RbxCharacterName::flushNames();
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(65), QStringLiteral("FROM THE CACHE"));
    // A list handed out before the flush stays usable.
    EXPECT_EQ(before->at(0).name(), QStringLiteral("LATIN CAPITAL LETTER A"));
}

TEST(CharacterNameList, ACacheThatLostNamesIsRebuilt) {
    namefix::ScratchBundle bundle;
    bundle.writeNames(record(65, 'A', "LATIN CAPITAL LETTER A") + record(66, 'B', "LATIN CAPITAL LETTER B"));
    EXPECT_EQ(RbxCharacterName::allNames()->size(), 2u);
    ASSERT_TRUE(rbxtest::waitFor(RbxCharacterName::isCacheWritten));
    QFile::remove(RbxCharacterName::cachedNamesPath());
    RbxCharacterName::flushNames();
    kx::LogCapture log;
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(66), QStringLiteral("LATIN CAPITAL LETTER B"));
    EXPECT_TRUE(log.contains(QStringLiteral("character name cache damaged")));
    EXPECT_TRUE(rbxtest::waitFor(RbxCharacterName::isCacheWritten));
    EXPECT_TRUE(QFileInfo::exists(RbxCharacterName::cachedNamesPath()));
}

TEST(CharacterNameList, ADamagedDataFileLeavesNoNames) {
    namefix::ScratchBundle bundle;
    bundle.write(QStringLiteral("UnicodeNames.data"), namefix::namesFile(record(65, 'A', "X"), 100));
    kx::LogCapture log;
    EXPECT_TRUE(RbxCharacterName::allNames()->empty());
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(65), QStringLiteral(""));
    EXPECT_TRUE(log.contains(QStringLiteral("size mismatch")));
}

TEST(CharacterNameUnicodeData, FieldsNumbersControlsAndRanges) {
    const QByteArray text =
        "0000;<control>;Cc;0;BN;;;;;N;NULL;;;;\n"
        "0031;DIGIT ONE;Nd;0;EN;;1;1;1;N;;;;;\n"
        "0041;LATIN CAPITAL LETTER A;Lu;0;L;;;;;N;;;;0061;\n"
        "0061;LATIN SMALL LETTER A;Ll;0;L;;;;;N;;;0041;;0041\n"
        "00BD;VULGAR FRACTION ONE HALF;No;0;ON;<fraction> 0031 2044 0032;;;1/2;N;FRACTION ONE HALF;;;;\n"
        "0080;<control>;Cc;0;BN;;;;;N;;;;;\n"
        "BAD LINE;x\n"
        "3400;<CJK Ideograph Extension A, First>;Lo;0;L;;;;;N;;;;;\n"
        "4DBF;<CJK Ideograph Extension A, Last>;Lo;0;L;;;;;N;;;;;\n"
        "D800;<Non Private Use High Surrogate, First>;Cs;0;L;;;;;N;;;;;\n"
        "DB7F;<Non Private Use High Surrogate, Last>;Cs;0;L;;;;;N;;;;;\n"
        "E000;<Private Use, First>;Co;0;L;;;;;N;;;;;\n"
        "F8FF;<Private Use, Last>;Co;0;L;;;;;N;;;;;\n";
    kx::LogCapture log;
    kx::CharSet defined;
    int lines = 0;
    const RbxCharacterName::List names = RbxCharacterName::namesFromUnicodeData(text, &defined, &lines);
    EXPECT_EQ(lines, 13);
    EXPECT_TRUE(log.contains(QStringLiteral("mismatch in line 7: 2 parts")));
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0].name(), QStringLiteral("NULL"));
    EXPECT_EQ(names[1].name(), QStringLiteral("DIGIT ONE (NUMBER 1)"));
    EXPECT_EQ(names[2].letter(), 'A');
    EXPECT_EQ(names[2].group(), 0);
    EXPECT_EQ(names[3].letter(), 'A');
    EXPECT_EQ(names[4].name(), QStringLiteral("VULGAR FRACTION ONE HALF (NUMBER 1/2)"));
    EXPECT_FALSE(defined.contains(0));
    EXPECT_FALSE(defined.contains(0x80));
    EXPECT_TRUE(defined.contains(0x31));
    EXPECT_TRUE(defined.contains(0x3400));
    EXPECT_TRUE(defined.contains(0x4000));
    EXPECT_TRUE(defined.contains(0x4DBF));
    EXPECT_FALSE(defined.contains(0xD800));
    EXPECT_FALSE(defined.contains(0xE000));
    EXPECT_EQ(defined.numberOfCharacters(), 4u + (0x4DBF - 0x3400 + 1));
}

TEST(CharacterNameUnicodeData, TheMaintainersFolderReplacesTheBundleNames) {
    namefix::ScratchBundle bundle;
    namefix::FreshDefaults defaults;
    defaults->setString(QStringLiteral("~/unicode-folder"), QStringLiteral("unicodeFolder"));
    bundle.writeNames(record(65, 'A', "FROM THE BUNDLE"));
    namefix::writeFile(rbxtest::privateHome() + QStringLiteral("/unicode-folder/UnicodeData.txt"),
                       "0041;LATIN CAPITAL LETTER A;Lu;0;L;;;;;N;;;;0061;\n"
                       "4E00;<CJK Ideograph, First>;Lo;0;L;;;;;N;;;;;\n"
                       "9FFF;<CJK Ideograph, Last>;Lo;0;L;;;;;N;;;;;\n");
    kx::LogCapture log;
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(65), QStringLiteral("LATIN CAPITAL LETTER A"));
    EXPECT_EQ(RbxCharacterName::allNames()->letter(0), 'A');
    EXPECT_TRUE(log.contains(QStringLiteral("Loading Unicode data from ") + rbxtest::privateHome() + QStringLiteral("/unicode-folder")));
    EXPECT_TRUE(log.contains(QStringLiteral("custom UnicodeData.txt:")));
    EXPECT_TRUE(log.contains(QStringLiteral("  3 lines")));
    EXPECT_TRUE(log.contains(QStringLiteral("  %1 Unicode characters").arg(1 + 0x9FFF - 0x4E00 + 1)));
    EXPECT_TRUE(RbxFontList::fontList().definedUnicodeCharacters().contains(0x5000));
    EXPECT_FALSE(RbxFontList::fontList().definedUnicodeCharacters().contains(0x42));
    kx::ProcessWide<RbxFontList>::install(nullptr);
}

TEST(CharacterNameUnicodeData, AMissingFolderOrFileLeavesTheBundleNames) {
    namefix::ScratchBundle bundle;
    namefix::FreshDefaults fresh;
    RbxDefaults& defaults = *fresh;
    bundle.writeNames(record(65, 'A', "FROM THE BUNDLE"));
    defaults.setString(QStringLiteral("/no/such/folder"), QStringLiteral("unicodeFolder"));
    kx::LogCapture log;
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(65), QStringLiteral("FROM THE BUNDLE"));
    EXPECT_TRUE(log.contains(QStringLiteral("Unicode folder not found at /no/such/folder")));

    namefix::freshNames();
    QDir().mkpath(rbxtest::privateHome() + QStringLiteral("/empty-unicode"));
    defaults.setString(rbxtest::privateHome() + QStringLiteral("/empty-unicode"), QStringLiteral("unicodeFolder"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(65), QStringLiteral("FROM THE BUNDLE"));
    EXPECT_TRUE(log.contains(QStringLiteral("UnicodeData.txt not found in ") + rbxtest::privateHome() + QStringLiteral("/empty-unicode")));
}

TEST(CharacterNameList, TimesAreLoggedWhenAsked) {
    namefix::ScratchBundle bundle;
    namefix::FreshDefaults defaults;
    defaults->setBool(true, QStringLiteral("charNames"));
    bundle.writeNames(record(65, 'A', "LATIN CAPITAL LETTER A"));
    kx::LogCapture log;
    RbxCharacterName::allNames();
    ASSERT_TRUE(rbxtest::waitFor(RbxCharacterName::isCacheWritten));
    RbxCharacterName::flushNames();
    RbxCharacterName::allNames();
    const QStringList lines = log.lines();
    auto has = [&](const QString& pattern) {
        return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return QRegularExpression(pattern).match(l).hasMatch(); });
    };
    EXPECT_TRUE(has(QStringLiteral("^reading character names: \\d+\\.\\d{3} msec$")));
    EXPECT_TRUE(has(QStringLiteral("^writing character name cache \\(1\\): \\d+\\.\\d{3} msec$")));
    EXPECT_TRUE(has(QStringLiteral("^reading character name cache \\(1\\): \\d+\\.\\d{3} msec$")));
}

TEST(CharacterNameBundle, SequenceNamesBelongToTheirSequences) {
    // The bundle's name files and the emoji model number the sequences alike.
    namefix::EmojiPictures emoji;
    namefix::freshNames();
    namefix::clearSupportFolder();
    const struct {
        const char16_t* sequence;
        const char* name;
    } cases[] = {
        {u"\U0001F1E9\U0001F1EA", "FLAG: GERMANY"},
        {u"\U0001F1EF\U0001F1F5", "FLAG: JAPAN"},
        {u"#\uFE0F\u20E3", "KEYCAP: #"},
        {u"1\uFE0F\u20E3", "KEYCAP: 1"},
        {u"\U0001F636\u200D\U0001F32B\uFE0F", "FACE IN CLOUDS"},
        {u"\u2764\uFE0F\u200D\U0001F525", "HEART ON FIRE"},
        {u"\U0001F3F4\u200D\u2620\uFE0F", "PIRATE FLAG"},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.sequence);
        const char32_t v = RbxEmoji::virtualEmojiCharacterForString(text);
        ASSERT_NE(v, 0u) << c.name;
        EXPECT_TRUE(RbxCharacterName::nameOfCharacter(v).startsWith(QLatin1String(c.name)))
            << c.name << ": " << RbxCharacterName::nameOfCharacter(v).toStdString();
    }
    // Emoji carry keywords a search finds, the rest their plain names.
    EXPECT_TRUE(RbxCharacterName::nameOfCharacter(0x1F600).startsWith(QStringLiteral("GRINNING FACE; ")));
    EXPECT_TRUE(RbxCharacterName::rbxCharacterNameForCharacter(0x1F600)->matchesPattern(QStringLiteral("smile")));
    EXPECT_TRUE(RbxCharacterName::rbxCharacterNameForCharacter(0x2764)->keywords().contains(QStringLiteral("love")));
    const auto a = RbxCharacterName::rbxCharacterNameForCharacter(0x41);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->name(), QStringLiteral("LATIN CAPITAL LETTER A"));
    EXPECT_EQ(a->letter(), 'A');
    EXPECT_EQ(a->group(), RbxCharacterName::UnicodeGroup);
    // Names in which a lone capital is no letter of its own.
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x2288), QStringLiteral("NEITHER A SUBSET OF NOR EQUAL TO"));
    EXPECT_EQ(RbxCharacterName::rbxCharacterNameForCharacter(0x2288)->letter(), 0);
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x10000), QStringLiteral("LINEAR B SYLLABLE B008 A"));
    EXPECT_EQ(RbxCharacterName::rbxCharacterNameForCharacter(0x10000)->letter(), 0);
    EXPECT_EQ(RbxCharacterName::rbxCharacterNameForCharacter(0x61)->letter(), 'A');
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x0A), QStringLiteral("LINE FEED (LF)"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0xAC00), QStringLiteral("HANGUL SYLLABLE GA"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x4E00), QStringLiteral("CJK UNIFIED IDEOGRAPH-4E00"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x17000), QStringLiteral("TANGUT IDEOGRAPH-17000"));
    namefix::freshNames();
}

TEST(CharacterNameCache, AFullDiskLeavesTheOldCache) {
    rbxtest::SmallFileSystem fs({}, 512 * 1024);
    if (!fs.isMounted()) GTEST_SKIP() << fs.skipReason().toStdString();
    const QString path = fs.path() + QStringLiteral("/names");
    RbxCharacterName::List one{RbxCharacterName(1, QStringLiteral("ONE"))};
    RbxCharacterName::List many;
    for (char32_t c = 0x4E00; c < 0x4E00 + 4000; ++c) many.append(RbxCharacterName(c, QStringLiteral("CJK UNIFIED IDEOGRAPH-%1").arg(uint(c), 4, 16)));
    ASSERT_TRUE(RbxCharacterName::writeCacheFile(one, path));
    ASSERT_TRUE(fs.fill());
    kx::LogCapture log;
    EXPECT_FALSE(RbxCharacterName::writeCacheFile(many, path));
    EXPECT_TRUE(log.contains(QStringLiteral("No space left on device")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), RbxCharacterName::cacheDataForNames(one));
    fs.free();
    EXPECT_TRUE(RbxCharacterName::writeCacheFile(many, path));
}
