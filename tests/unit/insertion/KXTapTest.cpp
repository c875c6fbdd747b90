#include "insertion/KXTap.h"
#include "core/Log.h"

#include <gtest/gtest.h>

using kx::KXTap;

namespace {
QStringList parts(const QString& s) { return KXTap::splitPostingParts(s); }
QString emoji() { return QStringLiteral("\U0001F600"); }
} // namespace

TEST(KXTapSplit, ControlCharactersGoAloneAtTheStartOfAPart) {
    EXPECT_EQ(parts(QStringLiteral("ab\n")), (QStringList{"ab", "\n"}));
    EXPECT_EQ(parts(QStringLiteral("a\nb")), (QStringList{"a\nb"}));
    EXPECT_EQ(parts(QStringLiteral("\n\tx")), (QStringList{"\n", "\t", "x"}));
    EXPECT_EQ(parts(QStringLiteral("ab\n\n")), (QStringList{"ab", "\n", "\n"}));
    EXPECT_TRUE(parts(QString()).isEmpty());
}

TEST(KXTapSplit, DoubleSpaceEndsAPartAfterTheFirstSpace) {
    EXPECT_EQ(parts(QStringLiteral("one  two")), (QStringList{"one ", " two"}));
    EXPECT_EQ(parts(QStringLiteral("one two")), (QStringList{"one two"}));
    EXPECT_EQ(parts(QStringLiteral("  lead")), (QStringList{"  lead"}));
}

TEST(KXTapSplit, PartsHoldAtMostTwentyUnitsAndNeverSplitASurrogatePair) {
    const QString a19(19, u'a');
    EXPECT_EQ(parts(a19 + emoji() + QStringLiteral("b")), (QStringList{a19, emoji() + QStringLiteral("b")}));
    const QString a45(45, u'a');
    EXPECT_EQ(parts(a45), (QStringList{QString(20, u'a'), QString(20, u'a'), QString(5, u'a')}));
    // A control character just past the window: the next part does not begin with it.
    const QString s = QString(20, u'x') + QStringLiteral("\nyz");
    const QStringList p = parts(s);
    EXPECT_EQ(p.join(QString()), s);
    for (const QString& part : p) {
        EXPECT_LE(part.size(), 20);
        EXPECT_FALSE(part.size() > 1 && part.at(0).unicode() < 0x20) << part.toStdString();
        EXPECT_FALSE(part.at(0).isLowSurrogate());
    }
    // Every emoji of a long row stays whole.
    QString row;
    for (int i = 0; i < 30; ++i) row += emoji();
    for (const QString& part : parts(row)) {
        EXPECT_FALSE(part.at(0).isLowSurrogate());
        EXPECT_FALSE(part.back().isHighSurrogate());
    }
    EXPECT_EQ(parts(row).join(QString()), row);
}

TEST(KXTapSplit, AtMostTwoHundredParts) {
    EXPECT_EQ(KXTap::splitPostingPartsForString(QString(4000, u'a')).size(), 200);
    EXPECT_TRUE(KXTap::splitPostingPartsForString(QString(4001, u'a')).isEmpty());
    EXPECT_EQ(KXTap::splitPostingPartsForString(QStringLiteral("ab\n")), (QVector<int>{2, 3}));
}

TEST(KXTap, TypingWithoutAProxyFails) {
    KXTap tap;
    kx::LogCapture capture;
    EXPECT_TRUE(tap.postKeyboardString(QString()));
    EXPECT_FALSE(tap.postKeyboardString(QStringLiteral("x")));
    EXPECT_TRUE(capture.contains(QStringLiteral("posting requires tap proxy")));
    // A long string fails on its parts once a proxy exists.
    tap.tapEvent(kx::KXTapEvent{kx::tapevent::KeyDown}, kx::tapevent::KeyDown, true);
    EXPECT_TRUE(tap.hasTapProxy());
    EXPECT_FALSE(tap.postKeyboardString(QString(4001, u'a')));
    EXPECT_TRUE(capture.contains(QStringLiteral("no parts for posting keyboard string")));
}

TEST(KXTap, EventTypeNamesAndMaskLetters) {
    EXPECT_EQ(KXTap::stringForEventType(-2), QStringLiteral("TapDisabledByTimeout"));
    EXPECT_EQ(KXTap::stringForEventType(10), QStringLiteral("KeyDown"));
    EXPECT_EQ(KXTap::stringForEventType(27), QStringLiteral("OtherMouseDragged"));
    EXPECT_EQ(KXTap::stringForEventType(8), QStringLiteral("unknown(#8)"));
    using namespace kx::tapevent;
    EXPECT_EQ(KXTap::maskDescription(0x402), QStringLiteral("00000402=K+L+"));
    EXPECT_EQ(KXTap::maskDescription(maskBit(KeyDown) | maskBit(KeyUp) | maskBit(RightMouseUp)),
              QStringLiteral("00000C10=KR-"));
    EXPECT_EQ(KXTap::maskDescription(maskBit(LeftMouseDragged) | maskBit(OtherMouseDragged) | maskBit(MouseMoved) |
                                     maskBit(FlagsChanged) | maskBit(ScrollWheel) | maskBit(TabletPointer)),
              QStringLiteral("08C01060=MDl3FST"));
    EXPECT_EQ(KXTap::installedTapsInfo(), QStringLiteral("no taps installed\n"));
}

TEST(KXTap, ThreadingCannotChangeWhileEnabledAndDelegateSeesEvents) {
    struct Recorder : kx::KXTapDelegate {
        QList<int> types;
        bool tapEvent(const kx::KXTapEvent&, int type) override {
            types << type;
            return false;
        }
    } recorder;
    KXTap tap;
    tap.setDelegate(&recorder);
    kx::LogCapture capture;
    tap.tapEvent(kx::KXTapEvent{kx::tapevent::LeftMouseDown}, kx::tapevent::LeftMouseDown, true);
    tap.tapEvent(kx::KXTapEvent{kx::tapevent::KeyUp}, kx::tapevent::KeyUp, true);
    EXPECT_EQ(recorder.types, (QList<int>{1, 11}));
    // Swallowing is reported once.
    EXPECT_EQ(capture.lines().filter(QStringLiteral("cannot be swallowed")).size(), 1);
    tap.setRunsInSeparateThread(true);
    EXPECT_TRUE(tap.runsInSeparateThread());
}
