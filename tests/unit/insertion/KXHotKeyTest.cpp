// The hot-key registry, its storage text and its refusals, over a recording stand-in for
// the desktop's grabs (the X server's grabs are tested end to end).
#include "insertion/KXHotKey.h"

#include "core/Log.h"
#include "common/RecordingHotKeyGrabs.h"

#include <gtest/gtest.h>

namespace {

namespace mod = kx::modifier;

struct CountingTarget : KXHotKeyTarget {
    void hotKeyPressed(KXHotKey& k) override { presses << &k; }
    QList<KXHotKey*> presses;
};

class KXHotKeyTest : public ::testing::Test {
protected:
    RecordingHotKeyGrabs grabs;
    KXHotKeyRegistry registry{grabs};
    CountingTarget target;
    kx::LogCapture log;
};

constexpr int KeyT = 17, KeyA = 0, KeyF5 = 96, KeyC = 8;

TEST_F(KXHotKeyTest, StorageTextWithDeviceBitsRegistersTheFourModifiersAndIsWrittenBackUnchanged) {
    KXHotKey k(registry, &target);
    k.setSendsHintboardEvent(false);
    k.setSerializedDescription(QStringLiteral("786721,17"));
    ASSERT_TRUE(k.isEnabled());
    EXPECT_EQ(k.registeredID(), 1u);
    EXPECT_EQ(k.keyCode(), KeyT);
    EXPECT_EQ(k.modifiers(), 786721);
    EXPECT_EQ(k.serializedDescription(), QStringLiteral("786721,17"));
    EXPECT_EQ(k.carbonModifiers(), 0x800 | 0x1000);
    // The grab itself gets the modifier bits, and matching ignores the low bits.
    EXPECT_EQ(std::uint32_t(grabs.grabbed.value(1).modifiers) & mod::Mask, mod::Control | mod::Option);
    EXPECT_TRUE(k.matchesEvent(KeyT, mod::Control | mod::Option));
    EXPECT_TRUE(k.matchesEvent(KeyT, mod::Control | mod::Option | 0x100));
    EXPECT_FALSE(k.matchesEvent(KeyT, mod::Control));
    EXPECT_EQ(registry.activeHotKey(KeyT, mod::Control | mod::Option), &k);
    // A second key with the same modifier bits and other low bits is not unique.
    KXHotKey twin(registry, KeyT, mod::Control | mod::Option, &target);
    EXPECT_FALSE(twin.isUnique());
    EXPECT_FALSE(twin.enable());
    EXPECT_EQ(grabs.grabbed.size(), 1);

    grabs.press(1);
    ASSERT_EQ(target.presses.size(), 1);
    EXPECT_EQ(target.presses.first(), &k);
    EXPECT_EQ(k.description(), QStringLiteral("keyCode=17, modifiers=786721"));
}

TEST_F(KXHotKeyTest, BadTextsLeaveNoKeyAndNeverGrabABareKey) {
    KXHotKey k(registry, &target);
    const char* bad[] = {"abc,def", "1", "1,2,3", ",17", "786432,", "-1,17", "786432,-3", "786432,128",
                         "99999999999,17", " 786432,17", "786432,17x", "0x80000,17", "0,0", "131072,0"};
    for (const char* text : bad) {
        k.setSerializedDescription(QString::fromLatin1(text));
        EXPECT_FALSE(k.isEnabled()) << text;
        EXPECT_EQ(k.keyCode(), -1) << text;
        EXPECT_EQ(k.modifiers(), 0) << text;
        EXPECT_EQ(k.serializedDescription(), QString()) << text;
    }
    EXPECT_TRUE(grabs.grabbed.isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("invalid hotkey \"abc,def\"")));
    EXPECT_TRUE(log.contains(QStringLiteral("invalid hotkey \"131072,0\": the key needs Command, Option or Control")));
    // The empty text is simply no key, and not worth a line.
    log.clear();
    k.setSerializedDescription(QString());
    EXPECT_FALSE(k.isEnabled());
    EXPECT_TRUE(log.lines().isEmpty());
    // A function key needs no modifier; a character key is fine with Option alone.
    k.setSerializedDescription(QStringLiteral("0,96"));
    EXPECT_TRUE(k.isEnabled());
    EXPECT_EQ(k.keyCode(), KeyF5);
    k.setSerializedDescription(QStringLiteral("524288,0"));
    EXPECT_TRUE(k.isEnabled());
    EXPECT_EQ(k.keyCode(), KeyA);
    EXPECT_EQ(grabs.grabbed.size(), 1);
}

TEST_F(KXHotKeyTest, SlotsAreReusedAndStrayPressesAreOnlyLogged) {
    KXHotKey first(registry, KeyT, mod::Command, &target), second(registry, KeyC, mod::Command, &target);
    first.setSendsHintboardEvent(false);
    second.setSendsHintboardEvent(false);
    ASSERT_TRUE(first.enable());
    ASSERT_TRUE(second.enable());
    EXPECT_EQ(first.registeredID(), 1u);
    EXPECT_EQ(second.registeredID(), 2u);
    first.disable();
    EXPECT_EQ(registry.keys().size(), 2u);
    EXPECT_EQ(registry.keys()[0], nullptr);
    EXPECT_FALSE(grabs.grabbed.contains(1));
    KXHotKey third(registry, KeyA, mod::Command, &target);
    third.setSendsHintboardEvent(false);
    ASSERT_TRUE(third.enable());
    EXPECT_EQ(third.registeredID(), 1u);

    // Presses of no key, of a free slot and of no id at all are logged.
    {
        KXHotKey gone(registry, KeyF5, 0, &target);
        ASSERT_TRUE(gone.enable());
        EXPECT_EQ(gone.registeredID(), 3u);
    }
    grabs.press(3);
    grabs.press(42);
    grabs.press(0);
    EXPECT_TRUE(target.presses.isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("Hotkey not found (id 3)")));
    EXPECT_TRUE(log.contains(QStringLiteral("Hotkey not found (id 42)")));
    EXPECT_TRUE(log.contains(QStringLiteral("Invalid hotkey id")));

    // A change of key or modifiers registers a registered key anew.
    second.setKeyCode(KeyF5);
    ASSERT_TRUE(second.isEnabled());
    EXPECT_EQ(grabs.grabbed.value(second.registeredID()).keyCode, KeyF5);
    second.setModifiers(std::int32_t(mod::Shift));
    EXPECT_EQ(grabs.grabbed.value(second.registeredID()).modifiers, mod::Shift);
    grabs.press(second.registeredID());
    ASSERT_EQ(target.presses.size(), 1);
    EXPECT_EQ(target.presses.first(), &second);
}

TEST_F(KXHotKeyTest, AKeyTakenByAnotherProgramIsReportedAndLeftUnregistered) {
    grabs.taken << KeyC;
    KXHotKey k(registry, &target);
    k.setSerializedDescription(QStringLiteral("1572864,8"));
    EXPECT_FALSE(k.isEnabled());
    EXPECT_EQ(k.registrationError(), kx::x11::HotKeyGrabs::ErrorTaken);
    EXPECT_TRUE(log.contains(QStringLiteral("RegisterEventHotKey error 10")));
    // The key is still the one stored, and its slot is free again.
    EXPECT_EQ(k.serializedDescription(), QStringLiteral("1572864,8"));
    EXPECT_TRUE(registry.keys().empty() || registry.keys()[0] == nullptr);
    // Without a target, or with negative values, nothing is registered at all.
    KXHotKey aimless(registry, KeyT, mod::Command, nullptr);
    EXPECT_FALSE(aimless.isValid());
    EXPECT_FALSE(aimless.enable());
    KXHotKey negative(registry, KeyT, std::uint32_t(-5), &target);
    EXPECT_FALSE(negative.enable());
    EXPECT_TRUE(grabs.grabbed.isEmpty());
}

} // namespace
