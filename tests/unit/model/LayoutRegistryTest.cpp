// The layout registry: built-in layouts, user layouts in the support folder, the pop-up
// model, the remembered choice and the upkeep of the layout files.

#include "LayoutFixtures.h"

#include "common/ScopedInstance.h"
#include "common/SmallFileSystem.h"
#include "common/TestEnvironment.h"

#include "core/Bundle.h"
#include "core/Log.h"
#include "model/RbxGroupDescription.h"
#include "model/RbxLayoutPopUp.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QFileInfo>
#include <gmock/gmock.h>

using namespace layouttest;
using ::testing::ElementsAre;

namespace {

std::vector<char32_t> pairsOf(const RbxGroupDescription& d) {
    std::vector<char32_t> out;
    d.ranges().forEach([&](std::int32_t v) { out.push_back(static_cast<char32_t>(v)); });
    return out;
}

QStringList titles(const RbxLayoutPopUp& popUp) {
    QStringList out;
    for (const auto& item : popUp.items()) out << (item.isSeparator ? QStringLiteral("-") : item.title);
    return out;
}

QStringList layoutNames(const std::vector<std::shared_ptr<RbxLayout>>& layouts) {
    QStringList out;
    for (const auto& l : layouts) out << (l->isSeparator() ? QStringLiteral("-") : l->name());
    return out;
}

void writeLayout(const QString& name, const QByteArray& text) {
    writeFile(layoutsFolder() + u'/' + name, text);
}

} // namespace

class LayoutRegistryTest : public ModelTest {};

TEST_F(LayoutRegistryTest, BuiltinLayoutsFromTheBundle) {
    const auto builtin = RbxLayout::builtinUnicodeLayouts();
    ASSERT_EQ(layoutNames(builtin), (QStringList{QStringLiteral("Unicode Blocks"), QStringLiteral("Scripts and Symbols")}));
    const auto blocks = RbxLayout::unicodeBlocksLayout();
    ASSERT_TRUE(blocks);
    const auto& list = blocks->groupList();
    ASSERT_GT(list.size(), 300u);
    EXPECT_EQ(list[0]->role(), RbxGroupDescription::Role::Favorites);
    EXPECT_EQ(list[1]->role(), RbxGroupDescription::Role::Recents);
    EXPECT_EQ(list[2]->name(), QStringLiteral("Basic Latin"));
    EXPECT_THAT(pairsOf(*list[2]), ElementsAre(0x20, 0x7F));
    EXPECT_EQ(list.back()->name(), QStringLiteral("Undefined"));

    const auto greek = RbxLayout::unicodeGroupDescriptionWithName(QStringLiteral("GREEK AND coptic"));
    ASSERT_TRUE(greek);
    EXPECT_THAT(pairsOf(*greek), ElementsAre(0x370, 0x3FF));
    EXPECT_FALSE(RbxLayout::unicodeGroupDescriptionWithName(QStringLiteral("Favorites")));
    EXPECT_FALSE(RbxLayout::unicodeGroupDescriptionWithName(QStringLiteral("No Such Block")));
}

TEST_F(LayoutRegistryTest, ArrayGroupsEndAtNamesAndReversedPairs) {
    const QStringList array{QStringLiteral("Test"),
                            QStringLiteral("One"), QStringLiteral("0x41"), QStringLiteral("0x43"), QStringLiteral("100"),
                            QStringLiteral("100"),
                            QStringLiteral("Two"), QStringLiteral("0x61"), QStringLiteral("Three"),
                            QStringLiteral("[MacRoman]Roman"), QStringLiteral("0xA9"), QStringLiteral("0xAA"),
                            QStringLiteral("-Dropped"), QStringLiteral("0x30"), QStringLiteral("0x31"),
                            QStringLiteral("Four"), QStringLiteral("010"), QStringLiteral("0x11"),
                            QStringLiteral("x"), QStringLiteral("y")};
    auto layout = RbxGroupLayout::layoutWithArray(array);
    EXPECT_EQ(layout->name(), QStringLiteral("Test"));
    const auto& list = layout->groupList();
    QStringList names;
    for (std::size_t i = 2; i < list.size(); ++i) names << list[i]->name();
    EXPECT_EQ(names, (QStringList{QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three"),
                                  QStringLiteral("Roman"), QStringLiteral("Four")}));
    EXPECT_THAT(pairsOf(*list[2]), ElementsAre(0x41, 0x43, 100, 100));
    EXPECT_EQ(list[2]->nCharacters(), 4);
    EXPECT_TRUE(pairsOf(*list[3]).empty());  // "Two": its pair ends at "Three" < 0x61
    EXPECT_TRUE(pairsOf(*list[4]).empty());
    // Mac OS Roman codes 0xA9 and 0xAA are the copyright and trade mark signs.
    EXPECT_THAT(pairsOf(*list[5]), ElementsAre(0xA9, 0xA9, 0x2122, 0x2122));
    // Octal and hexadecimal; fewer than three elements left end the reading.
    EXPECT_THAT(pairsOf(*list[6]), ElementsAre(8, 0x11));
}

TEST_F(LayoutRegistryTest, UserLayoutsSortedWithSeparator) {
    EXPECT_EQ(layoutNames(RbxLayout::currentLayouts()),
              (QStringList{QStringLiteral("Unicode Blocks"), QStringLiteral("Scripts and Symbols"), QStringLiteral("-"),
                           QStringLiteral("Emoji"), QStringLiteral("Mathematics"), QStringLiteral("Typography")}));
    // The samples were installed once, with their flags set and the info file beside them.
    EXPECT_TRUE(settings().boolForKey(QStringLiteral("layout Emoji installed")));
    EXPECT_TRUE(QFileInfo::exists(layoutsFolder() + QStringLiteral("/Info/About Layout Files.txt")));

    int& changes = palette.layoutsChanges;
    changes = 0;
    for (const QString& name : {QStringLiteral("Emoji.txt"), QStringLiteral("Mathematics.txt"), QStringLiteral("Typography.txt")})
        QFile::remove(layoutsFolder() + u'/' + name);
    writeLayout(QStringLiteral("layout 10.txt"), "A\na\n");
    writeLayout(QStringLiteral("Layout 9.txt"), "B\nb\n");
    writeLayout(QStringLiteral("-hidden.txt"), "C\nc\n");
    writeLayout(QStringLiteral(".dot.txt"), "C\nc\n");
    writeLayout(QStringLiteral("notes.text"), "C\nc\n");
    QDir().mkpath(layoutsFolder() + QStringLiteral("/Sub.txt"));
    EXPECT_EQ(layoutNames(RbxLayout::customLayouts()), (QStringList{QStringLiteral("Layout 9"), QStringLiteral("layout 10")}));
    EXPECT_EQ(changes, 1);
    // Unchanged folder: the same list, no change reported.
    const auto again = RbxLayout::customLayouts();
    EXPECT_EQ(changes, 1);

    // A deleted sample is not installed again in a later process.
    restartLayouts();
    EXPECT_EQ(layoutNames(RbxLayout::customLayouts()), (QStringList{QStringLiteral("Layout 9"), QStringLiteral("layout 10")}));
}

TEST_F(LayoutRegistryTest, EditedFileIsReadAgain) {
    writeLayout(QStringLiteral("Mine.txt"), "Group\na\n");
    auto first = RbxLayout::layoutNamed(QStringLiteral("Mine"));
    ASSERT_TRUE(first);
    RbxCharSetRepertoire font(kx::CharSet::fromRange(0x20, 0x7E));
    EXPECT_EQ(charactersOf(first->groupsForFontInfo(&font)).back(), std::vector<char32_t>{U'a'});

    writeLayout(QStringLiteral("Mine.txt"), "Group\nb c\n");
    auto second = RbxLayout::layoutNamed(QStringLiteral("Mine"));
    ASSERT_TRUE(second);
    EXPECT_NE(first, second);
    EXPECT_EQ(charactersOf(second->groupsForFontInfo(&font)).back(), (std::vector<char32_t>{U'b', U'c'}));
    // Removed files disappear with their separator.
    for (const auto& l : RbxLayout::customLayouts()) QFile::remove(static_cast<RbxCustomLayout&>(*l).layoutFilePath());
    EXPECT_EQ(layoutNames(RbxLayout::currentLayouts()),
              (QStringList{QStringLiteral("Unicode Blocks"), QStringLiteral("Scripts and Symbols")}));
}

TEST_F(LayoutRegistryTest, PopUpContentsAndSelection) {
    settings().setString(QStringLiteral("Mathematics"), QStringLiteral("layout"));
    auto popUp = std::make_shared<RbxLayoutPopUp>();
    RbxLayout::setLayoutPopUp(popUp);
    EXPECT_EQ(titles(*popUp),
              (QStringList{QStringLiteral("Unicode Blocks"), QStringLiteral("Scripts and Symbols"), QStringLiteral("-"),
                           QStringLiteral("Emoji"), QStringLiteral("Mathematics"), QStringLiteral("Typography"),
                           QStringLiteral("-"), QStringLiteral("Custom Layouts..."), QStringLiteral("More Layouts...")}));
    EXPECT_EQ(popUp->indexOfSelectedItem(), 4);
    EXPECT_EQ(popUp->items()[7].representedObject, QStringLiteral("CUSTOM_LAYOUTS_FOLDER"));
    EXPECT_EQ(popUp->items()[8].representedObject, QStringLiteral("VISIT_MORE_LAYOUTS_PAGE"));
    EXPECT_EQ(RbxLayout::selectedLayout()->name(), QStringLiteral("Mathematics"));

    RbxLayout::switchToLayoutNamed(QStringLiteral("Typography"));
    EXPECT_EQ(RbxLayout::selectedLayout()->name(), QStringLiteral("Typography"));
    RbxLayout::switchToLayoutNamed(QStringLiteral("Nothing like it"));
    EXPECT_EQ(popUp->indexOfSelectedItem(), 0);
    EXPECT_FALSE(RbxLayout::switchToUnicodeBlocksLayout());
    popUp->selectItemAtIndex(1);
    EXPECT_TRUE(RbxLayout::switchToUnicodeBlocksLayout());

    // A separator or an item after the layouts falls back to the first layout.
    kx::LogCapture log;
    popUp->selectItemAtIndex(2);
    EXPECT_EQ(RbxLayout::selectedLayout()->name(), QStringLiteral("Unicode Blocks"));
    popUp->selectItemAtIndex(7);
    EXPECT_EQ(RbxLayout::selectedLayout()->name(), QStringLiteral("Mathematics"));  // refilled from "layout"
    EXPECT_TRUE(log.contains(QStringLiteral("+++ layoutIndex OUT OF RANGE: 7")));
    EXPECT_TRUE(log.contains(QStringLiteral("+++ fixed layoutIndex: 4")));

    // Views from 4 on take the first layout whatever is selected.
    setView(5);
    EXPECT_EQ(RbxLayout::selectedLayout()->name(), QStringLiteral("Unicode Blocks"));
}

TEST_F(LayoutRegistryTest, EqualTitlesAreSeparateItems) {
    writeLayout(QStringLiteral("Same.txt"), "Title\na\n");
    writeLayout(QStringLiteral("same.txt"), "Title\nb\n");
    auto popUp = std::make_shared<RbxLayoutPopUp>();
    RbxLayout::setLayoutPopUp(popUp);
    EXPECT_EQ(titles(*popUp).count(QStringLiteral("Same")) + titles(*popUp).count(QStringLiteral("same")), 2);
    EXPECT_EQ(popUp->numberOfItems(), static_cast<int>(RbxLayout::currentLayouts().size()) + 3);
}

TEST_F(LayoutRegistryTest, SampleViewsAndHiddenPopUp) {
    palette.titles = QStringList{QStringLiteral("Pangrams"), QStringLiteral("-"), QStringLiteral("Editable Text")};
    settings().setString(QStringLiteral("Editable Text"), QStringLiteral("sample"));
    auto popUp = RbxLayout::layoutPopUp();
    RbxLayout::fillLayoutPopUp(10, false);
    EXPECT_EQ(titles(*popUp), (QStringList{QStringLiteral("Pangrams"), QStringLiteral("-"), QStringLiteral("Custom Sample Text")}));
    EXPECT_EQ(popUp->indexOfSelectedItem(), 2);
    EXPECT_FALSE(popUp->isHidden());

    setView(11);
    EXPECT_EQ(RbxLayout::layoutPrefKey(), QStringLiteral("sample"));
    popUp->selectItemAtIndex(0);
    RbxLayout::saveLayoutInPrefs();
    EXPECT_EQ(settings().stringForKey(QStringLiteral("sample")), QStringLiteral("Pangrams"));

    RbxLayout::fillLayoutPopUp(12, false);
    EXPECT_TRUE(popUp->isHidden());
    setView(12);
    EXPECT_EQ(RbxLayout::layoutPrefKey(), QStringLiteral("disabledLayout"));
    setView(2);
    EXPECT_EQ(RbxLayout::layoutPrefKey(), QStringLiteral("layout"));

    // Unless forced, the same view is not filled again.
    RbxLayout::fillLayoutPopUp(1, true);
    popUp->addItem(QStringLiteral("marker"));
    RbxLayout::fillLayoutPopUp(3, false);
    EXPECT_EQ(titles(*popUp).last(), QStringLiteral("marker"));
    RbxLayout::fillLayoutPopUp(3, true);
    EXPECT_NE(titles(*popUp).last(), QStringLiteral("marker"));
}

TEST_F(LayoutRegistryTest, SavedChoiceGoesToTheFamilyWhenItHasOne) {
    RbxCharSetRepertoire font(kx::CharSet::fromRange(0x20, 0x7E), {}, QStringLiteral("Serif Bold"), QStringLiteral("Serif"));
    palette.font = &font;
    setView(1);
    auto popUp = RbxLayout::layoutPopUp();
    RbxLayout::switchToLayoutNamed(QStringLiteral("Emoji"));
    RbxLayout::saveLayoutInPrefs();
    EXPECT_EQ(settings().stringForKey(QStringLiteral("layout")), QStringLiteral("Emoji"));

    settings().setLayout(QStringLiteral("Typography"), QStringLiteral("Serif"));
    RbxLayout::switchToLayoutNamed(QStringLiteral("Mathematics"));
    RbxLayout::saveLayoutInPrefs();
    EXPECT_EQ(settings().layoutForFontFamily(QStringLiteral("Serif")), QStringLiteral("Mathematics"));
    EXPECT_EQ(settings().stringForKey(QStringLiteral("layout")), QStringLiteral("Emoji"));
}

TEST_F(LayoutRegistryTest, MessagesForFontsWithoutGroups) {
    auto layout = RbxGroupLayout::layoutWithArray(
        {QStringLiteral("T"), QStringLiteral("Latin"), QStringLiteral("0x41"), QStringLiteral("0x5A")});
    RbxCharSetRepertoire digits(kx::CharSet::fromRange(0x30, 0x39));
    // Global favourites exist, so no empty favourites group stands in.
    RbxFavGroupDescription::sharedFavorites()->addCharacter(U'x', nullptr);

    setView(1);
    RbxCharGroupList groups = layout->groupsForFontInfo(&digits);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0]->message(), RbxCharGroup::messageTextForCode(5));
    setView(2);
    groups = layout->groupsForFontInfo(&digits);
    EXPECT_EQ(groups[0]->message(), RbxCharGroup::messageTextForCode(6));

    RbxCharSetRepertoire latin(kx::CharSet::fromRange(0x41, 0x5A));
    latin.setHasFont(false);
    groups = layout->groupsForFontInfo(&latin);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0]->message(), RbxCharGroup::messageTextForCode(8));
    EXPECT_EQ(layout->groupsForFontInfo(nullptr).back()->message(), RbxCharGroup::messageTextForCode(8));
}

TEST_F(LayoutRegistryTest, NativeCharactersOnlyForAllFontViews) {
    auto layout = RbxGroupLayout::layoutWithArray(
        {QStringLiteral("T"), QStringLiteral("Latin"), QStringLiteral("0x41"), QStringLiteral("0x5A")});
    RbxCharSetRepertoire font(kx::CharSet::fromRange(0x41, 0x43));
    font.setAvailableCharacters(kx::CharSet::fromRange(0x41, 0x5A));
    setView(1);
    EXPECT_FALSE(layout->groupsForFontInfo(&font).back()->nativeFontCharacters());
    setView(3);
    const auto group = layout->groupsForFontInfo(&font).back();
    ASSERT_TRUE(group->nativeFontCharacters());
    EXPECT_EQ(*group->nativeFontCharacters(), kx::CharSet::fromRange(0x41, 0x43));
    EXPECT_EQ(group->characters(), range(0x41, 0x5A));
}

TEST_F(LayoutRegistryTest, AnchorIndexAndRepertoireString) {
    auto layout = RbxGroupLayout::layoutWithArray({QStringLiteral("T"), QStringLiteral("Upper"), QStringLiteral("0x41"),
                                                   QStringLiteral("0x5A"), QStringLiteral("Digits"), QStringLiteral("0x30"),
                                                   QStringLiteral("0x39"), QStringLiteral("Lower"), QStringLiteral("0x61"),
                                                   QStringLiteral("0x6D")});
    RbxCharSetRepertoire font(kx::CharSet::fromString(QStringLiteral("ABCDEFGHIJKLMN0123456789abcdefghijklm")));
    layout->saveAnchorCharacter(U'5', 3);
    EXPECT_EQ(layout->anchorIndexInCharacters(range(U'0', U'9')), 5u);
    layout->saveAnchorAtStartOfGroup(3);
    EXPECT_EQ(layout->anchorIndexInCharacters(range(U'0', U'9')), 0u);

    // A CR between two texts of at least 11 units each (the digits are fewer).
    EXPECT_EQ(layout->repertoireStringForFontInfo(&font), QStringLiteral("ABCDEFGHIJKLMN0123456789\rabcdefghijklm"));
    EXPECT_EQ(layout->repertoireStringForFontInfo(nullptr), QString());
}

TEST_F(LayoutRegistryTest, BlockNameFilter) {
    const auto blocks = RbxLayout::unicodeBlocksLayout();
    const kx::CharSet arrows = blocks->characterSetForBlockNameFilter({QStringLiteral("arrows")});
    EXPECT_TRUE(arrows.contains(0x2190));
    EXPECT_TRUE(arrows.contains(0x27F0));   // Supplemental Arrows-A
    EXPECT_TRUE(arrows.contains(0x1F800));  // Supplemental Arrows-C
    EXPECT_FALSE(arrows.contains(0x2200));
    const kx::CharSet both = blocks->characterSetForBlockNameFilter({QStringLiteral("arrows"), QStringLiteral("-c")});
    EXPECT_TRUE(both.contains(0x1F800));
    EXPECT_FALSE(both.contains(0x2190));
    // "Undefined" never counts.
    EXPECT_FALSE(blocks->characterSetForBlockNameFilter({QStringLiteral("undefined")}).contains(0xFFFFF));
}

TEST_F(LayoutRegistryTest, BasicLayout) {
    auto basic = std::make_shared<RbxBasicLayout>();
    RbxCharSetRepertoire font(kx::CharSet::fromString(QStringLiteral("A é")));
    std::array<char32_t, 256> roman{};
    for (int i = 32; i < 128; ++i) roman[static_cast<std::size_t>(i)] = static_cast<char32_t>(i);
    roman[0x8E] = U'é';
    font.setRomanMapping(roman);
    RbxCharGroupList groups = basic->groupsForFontInfo(&font);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_THAT(groups[0]->characters(), ElementsAre(U' ', U'A', U'é'));
    EXPECT_EQ(groups[0]->groupKind(), RbxBasicGroupKind);
    EXPECT_FALSE(groups[0]->showsHeader());
    EXPECT_EQ(groups[0]->name(), QStringLiteral("Basic Characters"));

    RbxCharSetRepertoire none(kx::CharSet::fromString(QStringLiteral("\u4E00")));
    EXPECT_EQ(basic->groupsForFontInfo(&none)[0]->message(), RbxCharGroup::messageTextForCode(0));
    none.setRomanMapping(roman);
    EXPECT_EQ(basic->groupsForFontInfo(&none)[0]->message(), RbxCharGroup::messageTextForCode(4));
    EXPECT_EQ(basic->groupsForFontInfo(nullptr)[0]->message(), RbxCharGroup::messageTextForCode(8));
}

TEST_F(LayoutRegistryTest, LayoutUpdates) {
    bool applied = false;
    const QVariantList updates{
        QVariantList{QStringLiteral("old"), QStringLiteral("new"), QStringLiteral("b"), QStringLiteral("B")},
        QVariantList{QStringLiteral("missing"), QStringLiteral("x")},
        QVariantList{QStringLiteral("new")},  // odd count: skipped
        QVariantList{QStringLiteral(""), QStringLiteral("x")},  // empty search text: skipped
        QVariantList{QStringLiteral("new"), QStringLiteral("newer")},
    };
    EXPECT_EQ(RbxLayout::applyUpdates(updates, QStringLiteral("old b old"), &applied), QStringLiteral("newer B newer"));
    EXPECT_TRUE(applied);
    RbxLayout::applyUpdates(updates, QStringLiteral("nothing here"), &applied);
    EXPECT_FALSE(applied);
}

TEST_F(LayoutRegistryTest, LineBreaksBecomeCrLf) {
    const QString folder = layoutsFolder();
    writeLayout(QStringLiteral("Unix.txt"), "A\na\n\nB\rb\r\n");
    writeLayout(QStringLiteral("Dos.txt"), "A\r\na\r\n");
    writeLayout(QStringLiteral("Bad.txt"), "A\n\xff\n");
    kx::LogCapture log;
    RbxLayout::updateCustomLayoutFiles();
    EXPECT_EQ(readFile(folder + QStringLiteral("/Unix.txt")), QByteArray("A\r\na\r\n\r\nB\r\nb\r\n"));
    EXPECT_EQ(readFile(folder + QStringLiteral("/Dos.txt")), QByteArray("A\r\na\r\n"));
    EXPECT_EQ(readFile(folder + QStringLiteral("/Bad.txt")), QByteArray("A\n\xff\n"));
    EXPECT_TRUE(log.contains(QStringLiteral("** could not convert line breaks of layout Bad.txt")));
}

TEST_F(LayoutRegistryTest, SampleCopyFailureLeavesFlagUnset) {
    QTemporaryDir from;
    writeFile(from.path() + QStringLiteral("/Sample.txt"), "S\ns\n");
    writeFile(from.path() + QStringLiteral("/-Draft.txt"), "S\ns\n");
    const QString target = from.path() + QStringLiteral("/missing-folder");
    kx::LogCapture log;
    RbxLayout::copySampleLayoutsFrom(from.path(), target);
    EXPECT_TRUE(log.contains(QStringLiteral("*** could not install sample layout Sample")));
    EXPECT_FALSE(settings().boolForKey(QStringLiteral("layout Sample installed")));
    EXPECT_FALSE(settings().boolForKey(QStringLiteral("layout -Draft installed")));

    QDir().mkpath(target);
    writeFile(target + QStringLiteral("/Sample.txt"), "mine\n");
    RbxLayout::copySampleLayoutsFrom(from.path(), target);
    EXPECT_TRUE(log.contains(QStringLiteral("sample layout Sample already exists")));
    EXPECT_EQ(readFile(target + QStringLiteral("/Sample.txt")), QByteArray("mine\n"));
    EXPECT_TRUE(settings().boolForKey(QStringLiteral("layout Sample installed")));
}

TEST_F(LayoutRegistryTest, FirstListingSchedulesTheLineBreakUpkeep) {
    writeLayout(QStringLiteral("Later.txt"), "A\na\n");
    RbxLayout::customLayouts();
    const QString path = layoutsFolder() + QStringLiteral("/Later.txt");
    EXPECT_EQ(readFile(path), QByteArray("A\na\n"));  // not at once
    EXPECT_TRUE(rbxtest::waitFor([&] { return readFile(path) == QByteArray("A\r\na\r\n"); }, 10000));
}

namespace {

// A bundle of the test's own in place of resources/, for the files the registry reads
// from it; the usual bundle comes back afterwards.
class OwnBundle {
public:
    OwnBundle() : old_(qgetenv("RUNEBOX_RESOURCES")) {
        QFile::copy(QString::fromUtf8(old_) + QStringLiteral("/Info.plist"), path(QStringLiteral("Info.plist")));
    }
    QString path(const QString& name) const { return dir_.path() + u'/' + name; }
    void write(const QString& name, const QByteArray& bytes) const { writeFile(path(name), bytes); }

private:
    QTemporaryDir dir_;
    QByteArray old_;
    rbxtest::ScopedInstance<kx::Bundle> bundle_{std::make_unique<kx::Bundle>(dir_.path())};
    // Layouts read from this bundle, without a palette.
    rbxtest::ScopedInstance<RbxLayoutRegistry> registry_{std::make_unique<RbxLayoutRegistry>(nullptr, nullptr, nullptr)};
};

QByteArray plistOf(const QByteArray& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body + "\n</plist>\n";
}

} // namespace

TEST_F(LayoutRegistryTest, BundleUpdatesRewriteInstalledLayouts) {
    OwnBundle bundle;
    bundle.write(QStringLiteral("Layout-Updates.plist"),
                 plistOf("<dict><key>Mine</key><array>"
                         "<array><string>Old</string><string>New</string><string>a-c</string><string>a-e</string></array>"
                         "<array><string>absent</string><string>x</string></array>"
                         "</array></dict>"));
    writeLayout(QStringLiteral("Mine.txt"), "Old\na-c\n");
    writeLayout(QStringLiteral("Other.txt"), "Old\na-c\n");
    kx::LogCapture log;
    const auto mine = RbxLayout::layoutNamed(QStringLiteral("Mine"));
    ASSERT_TRUE(mine);
    EXPECT_EQ(readFile(layoutsFolder() + QStringLiteral("/Mine.txt")), QByteArray("New\na-e\n"));
    EXPECT_EQ(readFile(layoutsFolder() + QStringLiteral("/Other.txt")), QByteArray("Old\na-c\n"));
    EXPECT_TRUE(log.contains(QStringLiteral("Updated layout Mine to new version.")));
    EXPECT_FALSE(log.contains(QStringLiteral("Updated layout Other")));
    // The layout is read from the updated file.
    RbxCharSetRepertoire font(kx::CharSet::fromRange(0x20, 0x7E));
    const RbxCharGroupList groups = mine->groupsForFontInfo(&font);
    EXPECT_EQ(groups.back()->name(), QStringLiteral("New"));
    EXPECT_EQ(groups.back()->characters(), range(U'a', U'e'));

    // Applied once: the updated text no longer holds the search texts.
    log.clear();
    writeLayout(QStringLiteral("Third.txt"), "T\nt\n");
    RbxLayout::customLayouts();
    EXPECT_FALSE(log.contains(QStringLiteral("Updated layout")));
}

TEST_F(LayoutRegistryTest, MissingOrBrokenBundleFilesGiveNoBuiltinLayouts) {
    {
        OwnBundle bundle;
        kx::LogCapture log;
        EXPECT_TRUE(RbxLayout::builtinUnicodeLayouts().empty());
        EXPECT_FALSE(RbxLayout::unicodeBlocksLayout());
        EXPECT_FALSE(RbxLayout::unicodeGroupDescriptionWithName(QStringLiteral("Arrows")));
        EXPECT_TRUE(log.contains(QStringLiteral("Layouts.plist not found in the bundle")));
        // A [BLOCK] directive finds nothing.
        EXPECT_TRUE(RbxCustomLayout::descriptionsFromText(QStringLiteral("A\n[BLOCK Arrows]\n")).empty());

        // With only user layouts the separator comes first; the choice still is a layout.
        writeLayout(QStringLiteral("Mine.txt"), "G\na\n");
        EXPECT_EQ(layoutNames(RbxLayout::currentLayouts()), (QStringList{QStringLiteral("-"), QStringLiteral("Mine")}));
        auto popUp = std::make_shared<RbxLayoutPopUp>();
        RbxLayout::setLayoutPopUp(popUp);
        popUp->selectItemAtIndex(0);
        ASSERT_TRUE(RbxLayout::selectedLayout());
        EXPECT_EQ(RbxLayout::selectedLayout()->name(), QStringLiteral("Mine"));
    }
    for (const QByteArray& bytes : {QByteArray("\x00\x01 not a property list"), plistOf("<dict/>")}) {
        OwnBundle bundle;
        bundle.write(QStringLiteral("Layouts.plist"), bytes);
        kx::LogCapture log;
        EXPECT_TRUE(RbxLayout::builtinUnicodeLayouts().empty());
        EXPECT_TRUE(log.contains(QStringLiteral("could not read Layouts.plist")));
    }
}

TEST_F(LayoutRegistryTest, InfoFilesAreCopiedOnceAndKept) {
    QTemporaryDir from;
    writeFile(from.path() + QStringLiteral("/About.txt"), "about\n");
    writeFile(from.path() + QStringLiteral("/.hidden"), "x\n");
    writeFile(from.path() + QStringLiteral("/-draft.txt"), "x\n");
    QTemporaryDir to;
    kx::LogCapture log;
    RbxLayout::copyInfoFilesFrom(from.path(), to.path());
    EXPECT_TRUE(log.contains(QStringLiteral("layout info file About.txt installed")));
    EXPECT_EQ(QDir(to.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("About.txt")});

    // A file the user changed is not replaced.
    writeFile(to.path() + QStringLiteral("/About.txt"), "mine\n");
    log.clear();
    RbxLayout::copyInfoFilesFrom(from.path(), to.path());
    EXPECT_EQ(readFile(to.path() + QStringLiteral("/About.txt")), QByteArray("mine\n"));
    EXPECT_FALSE(log.contains(QStringLiteral("installed")));

    RbxLayout::copyInfoFilesFrom(from.path(), to.path() + QStringLiteral("/no/such/folder"));
    EXPECT_TRUE(log.contains(QStringLiteral("*** could not install layout info file About.txt")));
}

TEST_F(LayoutRegistryTest, UpdatingThePopUpRefillsForTheViewAndAsksForTheFontsLayout) {
    int& asked = palette.layoutSwitches;
    palette.titles = QStringList{QStringLiteral("Pangrams")};
    auto popUp = RbxLayout::layoutPopUp();
    setView(10);
    RbxLayout::updateLayoutPopUp();
    EXPECT_EQ(titles(*popUp), QStringList{QStringLiteral("Pangrams")});
    EXPECT_EQ(asked, 1);

    popUp->setEnabled(false);
    setView(2);
    RbxLayout::updateLayoutPopUp();
    EXPECT_EQ(titles(*popUp).first(), QStringLiteral("Unicode Blocks"));
    EXPECT_EQ(asked, 1);
}

TEST_F(LayoutRegistryTest, AFullDiskLeavesTheUserLayoutsAsTheyWere) {
    rbxtest::SmallFileSystem fs(layoutsFolder());
    if (!fs.isMounted()) GTEST_SKIP() << fs.skipReason().toStdString();
    QByteArray mine;
    for (int i = 0; mine.size() < 917; ++i) mine += "Group " + QByteArray::number(i) + "\na b c d e f\n\n";
    writeLayout(QStringLiteral("Mine.txt"), mine);
    ASSERT_TRUE(fs.fill());
    kx::LogCapture log;
    RbxLayout::updateCustomLayoutFiles();
    EXPECT_EQ(readFile(layoutsFolder() + QStringLiteral("/Mine.txt")), mine);
    EXPECT_TRUE(log.contains(QStringLiteral("** could not convert line breaks of layout Mine.txt / cannot write")));
    EXPECT_TRUE(log.contains(QStringLiteral("No space left on device")));
    // A sample layout that cannot be copied is tried again later.
    QTemporaryDir from;
    writeFile(from.path() + QStringLiteral("/Sample.txt"), QByteArray(8000, 'S'));
    RbxLayout::copySampleLayoutsFrom(from.path(), layoutsFolder());
    EXPECT_FALSE(QFileInfo::exists(layoutsFolder() + QStringLiteral("/Sample.txt")));
    EXPECT_FALSE(settings().boolForKey(QStringLiteral("layout Sample installed")));

    fs.free();
    RbxLayout::updateCustomLayoutFiles();
    QByteArray converted = mine;
    converted.replace("\n", "\r\n");
    EXPECT_EQ(readFile(layoutsFolder() + QStringLiteral("/Mine.txt")), converted);
    RbxLayout::copySampleLayoutsFrom(from.path(), layoutsFolder());
    EXPECT_EQ(readFile(layoutsFolder() + QStringLiteral("/Sample.txt")), QByteArray(8000, 'S'));
}
