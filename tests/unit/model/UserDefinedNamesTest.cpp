#include "NameFixtures.h"

#include "common/SmallFileSystem.h"
#include "core/Log.h"

#include "core/Plist.h"
#include "model/RbxCharacterName.h"

#include <gtest/gtest.h>

using namefix::record;

namespace {

QString customFile(const QString& fileName) {
    return RbxCharacterName::customNamesFolder() + u'/' + fileName;
}

QVariantMap readPlist(const QString& path) { return kx::plist::readFile(path).value.toMap(); }

} // namespace

TEST(UserDefinedNames, StoredPerGroupAndWrittenAtOnce) {
    namefix::ScratchBundle bundle;
    bundle.writeNames(record(65, 'A', "LATIN CAPITAL LETTER A") + record(0x1F600, ' ', "GRINNING FACE"));
    EXPECT_EQ(RbxCharacterName::userDefinedGroupForCharacter(65), QStringLiteral("(General)"));
    EXPECT_EQ(RbxCharacterName::userDefinedNamesSummary(), QStringLiteral("none\n"));

    EXPECT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(65, QStringLiteral("Alpha")));
    EXPECT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(0x1F600, QStringLiteral("Happy")));
    EXPECT_EQ(RbxCharacterName::userDefinedNameOfCharacter(65), QStringLiteral("Alpha"));
    EXPECT_TRUE(RbxCharacterName::userDefinedNameOfCharacter(66).isEmpty());
    EXPECT_EQ(RbxCharacterName::fullNameOfCharacter(65), QStringLiteral("Alpha; LATIN CAPITAL LETTER A"));
    EXPECT_EQ(RbxCharacterName::fullNameOfCharacter(0x1F601), QStringLiteral(""));

    const QVariantMap onDisk = readPlist(customFile(QStringLiteral("(General).plist")));
    EXPECT_EQ(onDisk.value(QStringLiteral("A")).toString(), QStringLiteral("Alpha"));
    EXPECT_EQ(onDisk.value(QString::fromUtf16(u"\U0001F600")).toString(), QStringLiteral("Happy"));
    EXPECT_EQ(RbxCharacterName::userDefinedNamesSummary(), QStringLiteral("(General): 2\n"));

    // A fresh process reads them back.
    namefix::freshNames();
    EXPECT_EQ(RbxCharacterName::userDefinedNameOfCharacter(0x1F600), QStringLiteral("Happy"));
}

TEST(UserDefinedNames, ClearingTheLastNameDeletesTheGroupFile) {
    namefix::ScratchBundle bundle;
    bundle.writeNames(record(65, 'A', "LATIN CAPITAL LETTER A"));
    const QString path = customFile(QStringLiteral("(General).plist"));
    EXPECT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(65, QStringLiteral("Alpha")));
    EXPECT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(66, QStringLiteral("Beta")));
    EXPECT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(65, QString()));
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(readPlist(path).size(), 1);
    EXPECT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(66, QString()));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(RbxCharacterName::userDefinedNamesSummary(), QStringLiteral("none\n"));
    // Clearing in an absent group does nothing.
    EXPECT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(67, QString()));
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(UserDefinedNames, GroupFileNamesAreSafeAndReversible) {
    const QStringList groups{QStringLiteral("(General)"), QStringLiteral("Font/Slash"), QStringLiteral(".Hidden Family"),
                             QStringLiteral("100% Sans"), QStringLiteral("%2F literally"), QStringLiteral("a.b")};
    for (const QString& g : groups) {
        const QString file = RbxCharacterName::fileNameForGroup(g);
        EXPECT_FALSE(file.contains(u'/')) << file.toStdString();
        EXPECT_FALSE(file.startsWith(u'.')) << file.toStdString();
        EXPECT_EQ(RbxCharacterName::groupForFileName(file), g);
    }
    EXPECT_EQ(RbxCharacterName::fileNameForGroup(QStringLiteral("(General)")), QStringLiteral("(General)"));
    EXPECT_EQ(RbxCharacterName::fileNameForGroup(QStringLiteral("A/B")), QStringLiteral("A%2FB"));
}

TEST(UserDefinedNames, FilesThatAreNoDictionariesAreIgnored) {
    namefix::ScratchBundle bundle;
    namefix::writeFile(customFile(QStringLiteral("Broken.plist")), "not a property list");
    namefix::writeFile(customFile(QStringLiteral("List.plist")), kx::plist::writeXml(QVariantList{1, 2}));
    kx::plist::writeXmlFile(customFile(QStringLiteral("Odd%2FName.plist")), QVariantMap{{QStringLiteral("x"), QStringLiteral("ex")}});
    kx::plist::writeXmlFile(customFile(QStringLiteral("(General).plist")), QVariantMap{{QStringLiteral("y"), QStringLiteral("why")}});
    EXPECT_EQ(RbxCharacterName::userDefinedNamesSummary(), QStringLiteral("(General): 1\nOdd/Name: 1\n"));
    EXPECT_EQ(RbxCharacterName::userDefinedNameOfCharacter(u'y'), QStringLiteral("why"));
}

TEST(UserDefinedNames, CharacterSetsAndFilters) {
    namefix::ScratchBundle bundle;
    namefix::EmojiPictures emoji;
    bundle.writeNames(record(65, 'A', "LATIN CAPITAL LETTER A") + record(66, 'B', "LATIN CAPITAL LETTER B") +
                      record(0x2192, ' ', "RIGHTWARDS ARROW"));
    const char32_t flagDE = 0xA0000 + 3 * 26 + 4;
    RbxCharacterName::setUserDefinedNameOfCharacter(65, QStringLiteral("first letter"));
    RbxCharacterName::setUserDefinedNameOfCharacter(0x2192, QStringLiteral("go right"));
    RbxCharacterName::setUserDefinedNameOfCharacter(flagDE, QStringLiteral("home flag"));

    kx::CharSet all = RbxCharacterName::characterSetWithCustomNames();
    EXPECT_EQ(all.numberOfCharacters(), 3u);
    EXPECT_TRUE(all.contains(flagDE));

    EXPECT_EQ(RbxCharacterName::characterSetWithCustomNamesMatchingFilter(QStringLiteral("++")), all);
    kx::CharSet s = RbxCharacterName::characterSetWithCustomNamesMatchingFilter(QStringLiteral("++ FIRST  letter"));
    EXPECT_EQ(s.numberOfCharacters(), 1u);
    EXPECT_TRUE(s.contains(65));
    // "++" searches only user-defined names.
    EXPECT_TRUE(RbxCharacterName::characterSetWithCustomNamesMatchingFilter(QStringLiteral("++latin")).isEmpty());

    // Without "++": database or user-defined name, one-letter words dropped.
    s = RbxCharacterName::characterSetWithCustomNamesMatchingFilter(QStringLiteral("arrow right"));
    EXPECT_EQ(s.numberOfCharacters(), 1u);
    EXPECT_TRUE(s.contains(0x2192));
    s = RbxCharacterName::characterSetWithCustomNamesMatchingFilter(QStringLiteral("a latin"));
    EXPECT_EQ(s.numberOfCharacters(), 1u);  // B has no user-defined name
    EXPECT_TRUE(s.contains(65));
    EXPECT_TRUE(RbxCharacterName::characterSetWithCustomNamesMatchingFilter(QStringLiteral("a b")).isEmpty());
}

TEST(UserDefinedNames, AFullDiskKeepsTheFileAsItWas) {
    namefix::ScratchBundle bundle;
    bundle.writeNames(record(65, 'A', "LATIN CAPITAL LETTER A"));
    rbxtest::SmallFileSystem fs(RbxCharacterName::customNamesFolder());
    if (!fs.isMounted()) GTEST_SKIP() << fs.skipReason().toStdString();
    const QString path = customFile(QStringLiteral("(General).plist"));
    EXPECT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(65, QStringLiteral("Alpha")));
    const QVariantMap before = readPlist(path);
    ASSERT_TRUE(fs.fill());
    kx::LogCapture log;
    EXPECT_FALSE(RbxCharacterName::setUserDefinedNameOfCharacter(66, QString(3000, u'B')));
    EXPECT_TRUE(log.contains(QStringLiteral("No space left on device")));
    EXPECT_EQ(readPlist(path), before);
    fs.free();
    EXPECT_TRUE(RbxCharacterName::setUserDefinedNameOfCharacter(67, QStringLiteral("Gamma")));
    EXPECT_EQ(readPlist(path).size(), 3);
}
