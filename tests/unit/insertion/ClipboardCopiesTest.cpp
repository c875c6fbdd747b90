#include "insertion/KXPasteboardManager.h"
#include "insertion/RbxClipboardCopies.h"
#include "InsertionFakes.h"
#include "MemoryClipboard.h"
#include "common/TestEnvironment.h"

#include <gtest/gtest.h>

using kx::KXPasteboardManager;
using Data = kx::x11::ClipboardData;

namespace {

struct Copies : ::testing::Test {
    std::shared_ptr<MemoryClipboard> clip = std::make_shared<MemoryClipboard>();
    KXPasteboardManager mgr{clip, {std::make_shared<MapSettings>(), nullptr, nullptr}};
    RbxClipboardCopies copies{&mgr};

    void SetUp() override {
        mgr.setExecutableName(QStringLiteral("runebox"));
        clip->userCopies({{"UTF8_STRING", Data{"user text", {}, 8}}});
    }
};

} // namespace

TEST_F(Copies, ACopyReplacesTheClipboardWithoutMarkersAndIsNotUndone) {
    copies.publishString(QStringLiteral("U+00E9"));
    EXPECT_EQ(clip->types, (QStringList{"UTF8_STRING", "text/plain;charset=utf-8", "text/plain"}));
    EXPECT_EQ(clip->fetchText(QStringLiteral("text/plain")), QStringLiteral("U+00E9"));
    EXPECT_FALSE(mgr.restorePending());
    EXPECT_TRUE(mgr.savedTypes().isEmpty());

    const QByteArray png("\x89PNG\r\n\x1a\n", 8);
    copies.publishData(png, QStringLiteral("image/png"));
    EXPECT_EQ(clip->types, QStringList{"image/png"});
    EXPECT_EQ(clip->fetch(QStringLiteral("image/png"))->bytes, png);
    EXPECT_FALSE(clip->fetchIfListed(QStringLiteral("UTF8_STRING")));
}

TEST_F(Copies, ACopyDuringAPendingRestoreIsKeptOverTheOldClipboard) {
    mgr.clearContents();
    mgr.addString(QStringLiteral("x"), QStringLiteral("UTF8_STRING"));
    mgr.publishAndRestoreAfter(0.01, 0.05);
    ASSERT_TRUE(mgr.restorePending());
    copies.publishString(QStringLiteral("copied"));
    ASSERT_TRUE(rbxtest::waitFor([this] { return !mgr.restorePending(); }, 3000));
    EXPECT_EQ(clip->fetchText(), QStringLiteral("copied"));
}
