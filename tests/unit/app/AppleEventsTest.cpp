// Other programs' requests to the palette, delivered through the event bridge as a bus
// call would be: the hot keys and their trigger, the recent and favourite characters,
// the name search and the refusals of bad parameters.
#include "PaletteFixture.h"

#include "app/PaletteAppleEvents.h"
#include "app/PaletteHotKeys.h"
#include "common/RecordingHotKeyGrabs.h"
#include "core/CharSet.h"
#include "core/Log.h"
#include "core/Plist.h"
#include "model/RbxFavGroupDescription.h"
#include "model/RbxFontList.h"
#include "platform/dbus/AppleEventBridge.h"

namespace {

class AppleEvents : public Palette {
protected:
    void SetUp() override {
        Palette::SetUp();
        hotKeys = std::make_unique<PaletteHotKeys>(*c, *store, registry);
        events = std::make_unique<PaletteAppleEvents>(*c, *hotKeys, palette->poster());
        events->install(bridge);
    }
    void TearDown() override {
        events.reset();
        hotKeys.reset();
        Palette::TearDown();
    }
    // The reply's text; "<error>" when the bridge refused the call.
    QString send(const char* cls, const char* id, const QVariant& direct = {}) {
        QVariantMap params;
        if (direct.isValid()) params.insert(QStringLiteral("----"), direct);
        const AppleEventBridge::Outcome out =
            bridge.deliver(QString::fromLatin1(cls), QString::fromLatin1(id), params, QStringLiteral(":1.99"));
        if (!out.errorName.isEmpty()) return QStringLiteral("<error>");
        return out.reply.value(QStringLiteral("----")).toString();
    }
    QVariantList hotKeyList() {
        const kx::plist::Result r = kx::plist::readOpenStep(send("HbdC", "SKey"));
        EXPECT_TRUE(r.ok()) << r.error.toStdString();
        return r.value.toList();
    }

    RecordingHotKeyGrabs grabs;
    KXHotKeyRegistry registry{grabs};
    std::unique_ptr<PaletteHotKeys> hotKeys;
    std::unique_ptr<PaletteAppleEvents> events;
    AppleEventBridge bridge;
};

TEST_F(AppleEvents, TheHotKeyIsListedWithItsTitleAndTriggeredByItsId) {
    store->setString(QString(), QStringLiteral("openWindowHotkey"));
    hotKeys->setupHotkeys();
    EXPECT_TRUE(hotKeyList().isEmpty());

    store->setString(QStringLiteral("786721,17"), QStringLiteral("openWindowHotkey"));
    hotKeys->setupHotkeys();
    ASSERT_TRUE(hotKeys->openWindowHotKey().isEnabled());
    QVariantList keys = hotKeyList();
    ASSERT_EQ(keys.size(), 1);
    QVariantMap key = keys.first().toMap();
    EXPECT_EQ(key.value(QStringLiteral("modifiers")).toString(), QStringLiteral("786721"));
    EXPECT_EQ(key.value(QStringLiteral("keycode")).toString(), QStringLiteral("17"));
    EXPECT_EQ(key.value(QStringLiteral("id")).toString(), QStringLiteral("toggle window"));
    EXPECT_EQ(key.value(QStringLiteral("title")).toString(), QStringLiteral("Open Window"));

    // The trigger opens the palette; the title follows.
    EXPECT_EQ(send("HbdC", "TKey", QStringLiteral("something else")), QString());
    EXPECT_FALSE(c->isWindowVisible());
    send("HbdC", "TKey", QStringLiteral("toggle window"));
    EXPECT_TRUE(c->isWindowVisible());
    EXPECT_EQ(hotKeyList().value(0).toMap().value(QStringLiteral("title")).toString(), QStringLiteral("Close Window"));
    // The same key pressed on the desktop does the same.
    grabs.press(hotKeys->openWindowHotKey().registeredID());
    EXPECT_TRUE(waitClosed());
    // Without a parameter, or with a number, nothing happens.
    send("HbdC", "TKey");
    send("HbdC", "TKey", 5);
    rbxtest::spinEventLoop(50);
    EXPECT_FALSE(c->isWindowVisible());
}

TEST_F(AppleEvents, RecentCharactersAreAddedAndListedNewestFirst) {
    EXPECT_EQ(send("RbxC", "List", QStringLiteral("Recent")), QString());
    const char32_t added[] = {0x41, 0xE9, 0x2713, 0x1F600, 0x3B1, 0x5D0, 0x20AC, 0x2192, 0x263A, 0x1D11E};
    for (const char32_t ch : added) EXPECT_EQ(send("RbxC", "ARec", qlonglong(ch)), QString());
    // 0, surrogates, values beyond U+10FFFF, negative numbers and texts are refused.
    kx::LogCapture log;
    for (const QVariant& bad : {QVariant(0), QVariant(0xD800), QVariant(0xDFFF), QVariant(0x110000), QVariant(-65),
                                QVariant(QStringLiteral("65")), QVariant(qlonglong(0x100000041))})
        send("RbxC", "ARec", bad);
    send("RbxC", "ARec");
    EXPECT_TRUE(log.contains(QStringLiteral("ARec: not a character")));

    const QStringList three = send("RbxC", "List", QStringLiteral("Recent3")).split(QLatin1Char('\n'));
    ASSERT_EQ(three.size(), 5) << three.join(QLatin1Char('|')).toStdString();  // request, 3 lines, ""
    EXPECT_EQ(three[0], QStringLiteral("Recent3"));
    EXPECT_EQ(three[1], QStringLiteral("\U0001D11E\t119070\tMUSICAL SYMBOL G CLEF"));
    EXPECT_TRUE(three[2].startsWith(QStringLiteral("☺\t9786\tWHITE SMILING FACE"))) << three[2].toStdString();
    EXPECT_EQ(three[3], QStringLiteral("→\t8594\tRIGHTWARDS ARROW"));
    EXPECT_TRUE(three[4].isEmpty());
    // "Recent" alone, 0, a negative count or one beyond the list give all ten.
    for (const char* request : {"Recent", "Recent0", "Recent-2", "Recent 99"}) {
        const QStringList all = send("RbxC", "List", QString::fromLatin1(request)).split(QLatin1Char('\n'));
        EXPECT_EQ(all.size(), 12) << request;
        EXPECT_EQ(all.value(10), QStringLiteral("A\t65\tLATIN CAPITAL LETTER A")) << request;
    }
    // Any other request, or no text, gives nothing; favourites give their table.
    EXPECT_EQ(send("RbxC", "List", QStringLiteral("Others")), QString());
    EXPECT_EQ(send("RbxC", "List", 3), QString());
    EXPECT_EQ(send("RbxC", "List", QStringLiteral("Favorites")),
              RbxFavGroupDescription::sharedFavorites()->tableRepresentation());
}

TEST_F(AppleEvents, NameSearchListsAvailableCharactersAndLeavesCJKToItsOwnRequest) {
    const QStringList lines = send("RbxC", "FnoC", QStringLiteral("rightwards arrow")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains(QStringLiteral("→\t8594\tRIGHTWARDS ARROW"))) << lines.join(QLatin1Char('|')).toStdString();
    const kx::CharSet& available = RbxFontList::fontList().availableCharactersInAllFonts();
    for (const QString& line : lines) {
        const char32_t ch = char32_t(line.section(QLatin1Char('\t'), 1, 1).toUInt());
        EXPECT_TRUE(available.contains(ch)) << line.toStdString();
        EXPECT_FALSE(kx::isPrivateUse(ch)) << line.toStdString();
        EXPECT_TRUE(line.section(QLatin1Char('\t'), 2).contains(QStringLiteral("ARROW"))) << line.toStdString();
    }
    // A CJK ideograph by its number: only the request that includes CJK lists it (when a
    // font has it).
    const QString cjk = send("RbxC", "Fcjk", QStringLiteral("U+4E00"));
    const QString noCjk = send("RbxC", "FnoC", QStringLiteral("U+4E00"));
    EXPECT_FALSE(noCjk.contains(QStringLiteral("\t19968\t")));
    EXPECT_EQ(cjk.contains(QStringLiteral("一\t19968\t")), available.contains(0x4E00)) << cjk.toStdString();
    EXPECT_EQ(send("RbxC", "FnoC", 42), QString());
    EXPECT_EQ(send("RbxC", "Fcjk", QStringLiteral("   ")), QString());
}

} // namespace
