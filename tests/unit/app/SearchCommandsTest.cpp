// The search field's maintenance commands, without widgets: a host that records what the
// commands ask of it.
#include "app/SearchCommands.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

class RecordingHost : public SearchCommandHost {
public:
    void setSetting(const QString& key, bool on) override { calls << QStringLiteral("set %1 %2").arg(key).arg(on); }
    void setDebugging(bool on, int flag) override { calls << QStringLiteral("debug %1 %2").arg(flag).arg(on); }
    void showVersion(bool show) override { calls << QStringLiteral("version %1").arg(show); }
    void showBoundingBox(bool show) override { calls << QStringLiteral("box %1").arg(show); }
    void setWindowTransparent(bool t) override { calls << QStringLiteral("transparent %1").arg(t); }
    void runListing(const QString& command) override { calls << QStringLiteral("list ") + command; }
    void clearSearch() override { calls << QStringLiteral("clear"); }
    QString widestCharacters() override {
        calls << QStringLiteral("widest");
        return widest;
    }
    void searchFor(const QString& text) override { calls << QStringLiteral("search ") + text; }

    QStringList calls;
    QString widest;
};

class SearchCommandsTest : public ::testing::Test {
protected:
    std::optional<QString> perform(const QString& text) { return commands.perform(text); }
    RecordingHost host;
    SearchCommands commands{host};
};

TEST_F(SearchCommandsTest, SettingSwitchesIgnoreCaseButMustBeTheWholeText) {
    EXPECT_EQ(perform(QStringLiteral("-hexhtml")), QStringLiteral("hex HTML OFF"));
    EXPECT_EQ(perform(QStringLiteral("+HexHTML")), QStringLiteral("hex HTML ON"));
    EXPECT_EQ(perform(QStringLiteral("+cnames")), QStringLiteral("character names ON"));
    EXPECT_EQ(perform(QStringLiteral("-saveclip")), QStringLiteral("clipboard saving OFF"));
    EXPECT_EQ(perform(QStringLiteral("+sheets")), QStringLiteral("sheet log ON"));
    EXPECT_EQ(perform(QStringLiteral("+DROPFONT")), QStringLiteral("font drop ON"));
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("set hexHtml 0"), QStringLiteral("set hexHtml 1"),
                                       QStringLiteral("set charNames 1"), QStringLiteral("set KXPasteboardSavingEnabled 0"),
                                       QStringLiteral("set log sheets 1"), QStringLiteral("set dropFont 1")}));
    host.calls.clear();
    // Prefixes, trailing blanks and words inside a text are searched as text.
    for (const char* text : {"+hexhtml ", " +hexhtml", "+hexhtmlx", "hexhtml", "+hex", "!font", "!fontsx", ""})
        EXPECT_FALSE(perform(QString::fromLatin1(text))) << text;
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(SearchCommandsTest, TheTooltipSwitchWorksOnlyWhileTheGateIsOpen) {
    EXPECT_FALSE(perform(QStringLiteral("+tooltips")));
    EXPECT_FALSE(commands.isGateOpen());
    // The gate word replies in lower case, whatever case was typed.
    EXPECT_EQ(perform(QStringLiteral("PEBBLE++")), QStringLiteral("pebble++"));
    EXPECT_TRUE(commands.isGateOpen());
    EXPECT_EQ(perform(QStringLiteral("+TOOLTIPS")), QStringLiteral("tooltips ON"));
    EXPECT_EQ(perform(QStringLiteral("-tooltips")), QStringLiteral("tooltips OFF"));
    EXPECT_EQ(perform(QStringLiteral("Pebble--")), QStringLiteral("pebble--"));
    EXPECT_FALSE(perform(QStringLiteral("-tooltips")));
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("set showTooltips 1"), QStringLiteral("set showTooltips 0")}));
}

TEST_F(SearchCommandsTest, TheDebugFormTakesExactlyThePrefixAndOneDigit) {
    EXPECT_EQ(perform(QStringLiteral("+debug:3")), QStringLiteral("(debug #3 ON)"));
    EXPECT_EQ(perform(QStringLiteral("-debug:0")), QStringLiteral("(debug #0 OFF)"));
    EXPECT_EQ(perform(QStringLiteral("+debug:9")), QStringLiteral("(debug #9 ON)"));
    for (const char* text : {"+Debug:3", "+DEBUG:3", "-debug:x", "+debug:12", "+debug:", "-debug:3 "})
        EXPECT_FALSE(perform(QString::fromLatin1(text))) << text;
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("debug 3 1"), QStringLiteral("debug 0 0"), QStringLiteral("debug 9 1")}));
    EXPECT_EQ(commands.setDebugFlag(true, QStringLiteral("xxxxxxx5")), QStringLiteral("(debug #5 ON)"));
    EXPECT_FALSE(commands.setDebugFlag(true, QStringLiteral("+debug:a")));
}

TEST_F(SearchCommandsTest, WindowSwitchesReachTheirHost) {
    EXPECT_EQ(perform(QStringLiteral("+version")), QStringLiteral("show version"));
    EXPECT_EQ(perform(QStringLiteral("-version")), QStringLiteral("hide version"));
    EXPECT_EQ(perform(QStringLiteral("+b_box")), QStringLiteral("show bounding box"));
    EXPECT_EQ(perform(QStringLiteral("-B_BOX")), QStringLiteral("hide bounding box"));
    EXPECT_EQ(perform(QStringLiteral("+wtransparent")), QStringLiteral("transparent"));
    EXPECT_EQ(perform(QStringLiteral("-wtransparent")), QStringLiteral("opaque"));
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("version 1"), QStringLiteral("version 0"), QStringLiteral("box 1"),
                                       QStringLiteral("box 0"), QStringLiteral("transparent 1"),
                                       QStringLiteral("transparent 0")}));
}

TEST_F(SearchCommandsTest, ListingsRunByTheirWordAndTableListingsStartFromTheWholeFont) {
    EXPECT_EQ(perform(QStringLiteral("!FONTS")), QStringLiteral("(fonts listed)"));
    EXPECT_EQ(perform(QStringLiteral("!pbtypes")), QStringLiteral("(clipboard listed)"));
    EXPECT_EQ(perform(QStringLiteral("!lig#")), QStringLiteral("ligature counts"));
    EXPECT_EQ(perform(QStringLiteral("!emohb")), QStringLiteral("(Hintboard emojis listed)"));
    EXPECT_EQ(perform(QStringLiteral("!layout")), QStringLiteral("layout list"));
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("list !fonts"), QStringLiteral("list !pbtypes"),
                                       QStringLiteral("list !lig#"), QStringLiteral("clear"), QStringLiteral("list !emohb"),
                                       QStringLiteral("clear"), QStringLiteral("list !layout")}));
}

TEST_F(SearchCommandsTest, TheWidestCharactersAreSearchedForAndNoneIsNoCommand) {
    EXPECT_FALSE(perform(QStringLiteral("!wide")));
    EXPECT_EQ(host.calls, QStringList{QStringLiteral("widest")});
    host.calls.clear();
    host.widest = QStringLiteral("\u2E3B\uA9C1");
    EXPECT_EQ(perform(QStringLiteral("!Wide")), host.widest);
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("widest"), QStringLiteral("search ") + host.widest}));
}

TEST_F(SearchCommandsTest, EveryWordOfTheTableIsACommandWithAReply) {
    host.widest = QStringLiteral("W");
    QStringList words = SearchCommands::words();
    EXPECT_EQ(words.size(), 4 + 12 * 2 + 31);
    EXPECT_EQ(words.removeDuplicates(), 0);
    ASSERT_TRUE(perform(QStringLiteral("pebble++")));
    for (const QString& word : words) {
        if (word.startsWith(QLatin1String("pebble"))) continue;
        host.calls.clear();
        const std::optional<QString> reply = perform(word);
        ASSERT_TRUE(reply) << word.toStdString();
        EXPECT_FALSE(reply->isEmpty()) << word.toStdString();
        EXPECT_FALSE(host.calls.isEmpty()) << word.toStdString();
        EXPECT_EQ(perform(word.toUpper()), reply) << word.toStdString();
    }
}

} // namespace
