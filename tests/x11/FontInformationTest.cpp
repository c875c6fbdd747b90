// The font information view of the real runebox program, chosen with the window mode
// control: its text, copied with the keyboard, tells the palette's font with its file
// and, with the setting "ligainfo", the font's tables and ligatures, every value and its
// further lines in one column; its file link,
// followed with the keyboard, reaches the desktop's opener.
#include "FakeOpener.h"
#include "SheetDriving.h"

#include <gtest/gtest.h>

namespace {

using namespace x11test;

const QPoint awayFromThePalette(1100, 80);

} // namespace

TEST(FontInformation, ViewTwelveTellsTheFontsFactsAndOpensItsFile) {
    ASSERT_EQ(run(Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"),
                         QStringLiteral("ligainfo"), QStringLiteral("YES")}),
              0);
    FakeOpener opener;
    pointTo(awayFromThePalette);
    Copy copy({}, opener.environment());
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    const QString font = Copy::state().value(QStringLiteral("font")).toString();

    EXPECT_FALSE(controlRect(QStringLiteral("shapeFinderButton")).isEmpty());
    ASSERT_TRUE(clickControl(QStringLiteral("windowModeSegment12")));
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("view")) == 12 && s.value(QStringLiteral("page")) == QStringLiteral("fontInfoPage");
    })) << copy.output().toStdString();
    // The table's own controls go with the table.
    EXPECT_TRUE(controlRect(QStringLiteral("shapeFinderButton")).isEmpty());
    screenshot(QStringLiteral("font-information"));

    // Each value begins in one column, and its further lines (wrapped, as the languages
    // and the licence are, or its own) continue under it.
    int valueColumn = -1, continued = 0;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        const QVariantList lines = qdbus_cast<QVariantList>(Copy::debugCall(QStringLiteral("TextLines"), {QStringLiteral("infoTextView")}));
        for (const QVariant& v : lines) {
            const QVariantList line = qdbus_cast<QVariantList>(v);
            if (line.value(2).toInt() == 0 && line.value(1).toString().startsWith(QStringLiteral("Name:")))
                valueColumn = line.value(3).toInt();
        }
        return valueColumn > 20;
    }, 10000)) << valueColumn;
    for (const QVariant& v : qdbus_cast<QVariantList>(Copy::debugCall(QStringLiteral("TextLines"), {QStringLiteral("infoTextView")}))) {
        const QVariantList line = qdbus_cast<QVariantList>(v);
        if (line.value(2).toInt() == 0) {
            EXPECT_NEAR(line.value(3).toInt(), valueColumn, 1) << line.value(1).toString().toStdString();
        } else {
            ++continued;
            EXPECT_NEAR(line.value(0).toInt(), valueColumn, 1) << line.value(1).toString().toStdString();
        }
    }
    EXPECT_GT(continued, 5);

    // The view takes the keyboard while the mouse is in it.
    const QRect view = controlRect(QStringLiteral("infoTextView"));
    ASSERT_FALSE(view.isEmpty());
    ASSERT_TRUE(focusControl(QStringLiteral("infoTextView")));
    pressKey(QStringLiteral("ctrl+a"));
    pressKey(QStringLiteral("ctrl+c"));
    QString text;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        text = clipboardText();
        return text.contains(QStringLiteral("Slant Angle:"));
    }, 10000)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("PostScript Name:\t") + font)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Location:\t/"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("TABLES:\t"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("LIGATURES (GSUB):\t"))) << text.toStdString();
    EXPECT_TRUE(copy.output().contains(QStringLiteral("collecting morx ligatures for ") + font)) << copy.output().toStdString();

    // The first link is the font's file: a click on the first line ends the selection,
    // Tab goes on to the link and Return follows it.
    pointTo(view.topLeft() + QPoint(12, 10));
    xdo({QStringLiteral("click"), QStringLiteral("1")});
    pressKey(QStringLiteral("Tab"));
    pressKey(QStringLiteral("Return"));
    const QStringList opened = opener.opened(1);
    ASSERT_EQ(opened.size(), 1) << copy.output().toStdString();
    const qsizetype at = text.indexOf(QStringLiteral("Location:\t"));
    const QString file = text.mid(at + 10, text.indexOf(u'\n', at) - at - 10).trimmed();
    EXPECT_EQ(opened[0], file);
    pointTo(awayFromThePalette);
}
