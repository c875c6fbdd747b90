// The palette's controls used as a person uses them, with the pointer of the X server: a
// font chosen by its pop-ups changes the label and the table; a special form chosen in the
// insert-mode control reaches the application in front, and each application keeps its
// insert mode; the window mode, the view and the layout switch what the palette shows.
#include "FrontEditors.h"
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"

#include <QDBusArgument>
#include <QRect>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::url;

const QPoint awayFromThePalette(1100, 80);

QRect rectOf(const QVariant& v) {
    const QVariantList r = qdbus_cast<QVariantList>(v);
    return r.size() == 4 ? QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()) : QRect();
}

QRect controlRect(const QString& name) { return rectOf(Copy::debugCall(QStringLiteral("ControlRect"), {name})); }

// Clicks the middle of a control of the palette once it is shown, after the palette took
// the keyboard as the mouse came over it.
bool clickControl(const QString& name) {
    QRect r;
    if (!rbxtest::waitFor([&] { return !(r = controlRect(name)).isEmpty(); }, 10000)) return false;
    x11test::pointTo(r.center());
    const int pid = Copy::state().value(QStringLiteral("pid")).toInt();
    rbxtest::waitFor([pid] { return processHasKeyboardFocus(pid); }, 3000);
    x11test::click();
    return true;
}

// The items of the menu or list open in the palette: title to place on the screen.
QList<std::pair<QString, QRect>> openItems() {
    QList<std::pair<QString, QRect>> items;
    for (const QVariant& v : qdbus_cast<QVariantList>(Copy::debugCall(QStringLiteral("MenuItems")))) {
        const QVariantMap item = qdbus_cast<QVariantMap>(v);
        items.append({item.value(QStringLiteral("title")).toString(), rectOf(item.value(QStringLiteral("rect")))});
    }
    return items;
}

// Waits for the open menu or list to hold an item for which `wanted` holds and that is in
// view, and clicks it; answers its title ("" when there is none).
QString clickOpenItem(const std::function<bool(const QString&)>& wanted) {
    QString title;
    QRect place;
    rbxtest::waitFor([&] {
        for (const auto& [t, r] : openItems())
            if (wanted(t) && !r.isEmpty() && r.height() > 4) {
                title = t;
                place = r;
                return true;
            }
        return false;
    }, 10000);
    if (title.isEmpty()) return title;
    x11test::pointTo(place.center());
    x11test::click();
    return title;
}

QString clickOpenItem(const QString& title) {
    return clickOpenItem([&title](const QString& t) { return t == title; });
}

bool stateHas(const QString& key, const QVariant& value) {
    return Copy::waitForState([&](const QVariantMap& s) { return s.value(key) == value; });
}

// A palette shown away from the pointer.
struct ShownPalette {
    explicit ShownPalette(const QProcessEnvironment& env = {}) : copy({}, env) {
        x11test::pointTo(awayFromThePalette);
        ok = Copy::waitForState(Copy::shownAndPainted);
    }
    Copy copy;
    bool ok = false;
};

TEST(PaletteControls, AFontChosenByItsPopUpsChangesTheLabelAndTheTable) {
    ShownPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    const QVariantMap before = Copy::state();
    const QString family = before.value(QStringLiteral("fontFamily")).toString();
    ASSERT_TRUE(before.value(QStringLiteral("fontLabel")).toString().startsWith(family + QStringLiteral(" (")));

    // Another family from the family pop-up (DejaVu Serif when it is there).
    ASSERT_TRUE(clickControl(QStringLiteral("fontFamilyPopUp")));
    QString chosen;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        for (const auto& [title, place] : openItems())
            if (!place.isEmpty() && title != family && (chosen.isEmpty() || title == QStringLiteral("DejaVu Serif")))
                chosen = title;
        return !chosen.isEmpty();
    })) << palette.copy.output().toStdString();
    const qint64 painted = Copy::state().value(QStringLiteral("tablePaintedNs")).toLongLong();
    ASSERT_EQ(clickOpenItem(chosen), chosen) << palette.copy.output().toStdString();
    EXPECT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
        return s.value(QStringLiteral("fontFamily")) == chosen &&
               s.value(QStringLiteral("fontLabel")).toString().startsWith(chosen) &&
               s.value(QStringLiteral("fontLabel")).toString().endsWith(QLatin1Char(')')) &&
               s.value(QStringLiteral("tablePaintedNs")).toLongLong() > painted;
    })) << chosen.toStdString() << palette.copy.output().toStdString();

    // DejaVu Sans and then its bold face from the face pop-up: the label and the table
    // follow, the table shows the bold font.
    ASSERT_TRUE(clickControl(QStringLiteral("fontFamilyPopUp")));
    if (clickOpenItem(QStringLiteral("DejaVu Sans")).isEmpty()) x11test::key(QStringLiteral("Escape"));
    if (!stateHas(QStringLiteral("font"), QStringLiteral("DejaVuSans"))) GTEST_SKIP() << "DejaVu Sans is not installed";
    const QString label = Copy::state().value(QStringLiteral("fontLabel")).toString();
    ASSERT_TRUE(clickControl(QStringLiteral("facePopUp")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("Bold")), QStringLiteral("Bold"));
    EXPECT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
        return s.value(QStringLiteral("font")) == QStringLiteral("DejaVuSans-Bold") &&
               s.value(QStringLiteral("face")) == QStringLiteral("Bold") &&
               s.value(QStringLiteral("fontLabel")).toString().startsWith(QStringLiteral("DejaVu Sans Bold (")) &&
               s.value(QStringLiteral("fontLabel")) != label;
    })) << Copy::state().value(QStringLiteral("fontLabel")).toString().toStdString();

    // The recent-fonts pop-up heads its list with the font shown and offers the switch of
    // font detection.
    ASSERT_TRUE(clickControl(QStringLiteral("recentFontsPopUp")));
    EXPECT_TRUE(rbxtest::waitFor([] {
        const auto items = openItems();
        return !items.isEmpty() && items.first().first == QStringLiteral("DejaVuSans-Bold") &&
               items.last().first == QStringLiteral("Toggle Font Detection");
    }));
    x11test::key(QStringLiteral("Escape"));
    x11test::pointTo(awayFromThePalette);
}

TEST(PaletteControls, SpecialFormsReachTheApplicationInFrontAndEachApplicationKeepsItsMode) {
    x11test::ProbeEditor probe;
    ASSERT_TRUE(probe.started());
    ShownPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    ASSERT_TRUE(stateHas(QStringLiteral("front"), QStringLiteral("runebox-probe")));
    ASSERT_EQ(url(QStringLiteral("runebox://set?search=") +
                  QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("latin small letter e with acute")))), 0);
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'é').isEmpty(); }, 15000)) << palette.copy.output().toStdString();

    // The third segment, then its menu: the decimal notation (the code point in decimal).
    ASSERT_TRUE(clickControl(QStringLiteral("insertModeSegment2")));
    ASSERT_TRUE(stateHas(QStringLiteral("insertSegment"), 2));
    ASSERT_TRUE(clickControl(QStringLiteral("insertTypesButton")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("Decimal")), QStringLiteral("Decimal"));
    ASSERT_TRUE(stateHas(QStringLiteral("insertMode"), 6));
    ASSERT_TRUE(Copy::clickCharacter(U'é'));
    ASSERT_TRUE(probe.waitForText(QStringLiteral("233"))) << probe.text().toStdString();

    // HTML from the same menu.
    ASSERT_TRUE(clickControl(QStringLiteral("insertTypesButton")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("HTML")), QStringLiteral("HTML"));
    ASSERT_TRUE(stateHas(QStringLiteral("insertMode"), 2));
    ASSERT_TRUE(Copy::clickCharacter(U'é'));
    ASSERT_TRUE(probe.waitForText(QStringLiteral("233&eacute;"))) << probe.text().toStdString();
    x11test::pointTo(awayFromThePalette);

    // Another application in front has its own mode (plain); the probe, in front again
    // when xterm closes, has HTML again and gets it.
    auto xterm = x11test::startXterm();
    ASSERT_TRUE(xterm->started());
    ASSERT_TRUE(stateHas(QStringLiteral("front"), QStringLiteral("xterm"))) << palette.copy.output().toStdString();
    EXPECT_TRUE(stateHas(QStringLiteral("insertSegment"), 0));
    ASSERT_TRUE(Copy::clickCharacter(U'é'));
    EXPECT_TRUE(xterm->waitForText(QStringLiteral("é"))) << xterm->text().toStdString();
    x11test::pointTo(awayFromThePalette);

    // xterm closes: the probe is in front again.
    xterm.reset();
    ASSERT_TRUE(probe.waitForKeyboardFocus());
    ASSERT_TRUE(stateHas(QStringLiteral("front"), QStringLiteral("runebox-probe")));
    ASSERT_TRUE(stateHas(QStringLiteral("insertSegment"), 2));
    ASSERT_TRUE(Copy::clickCharacter(U'é'));
    EXPECT_TRUE(probe.waitForText(QStringLiteral("233&eacute;&eacute;"))) << probe.text().toStdString();
    x11test::pointTo(awayFromThePalette);
}

TEST(PaletteControls, TheWindowModeTheViewAndTheLayoutSwitchWhatThePaletteShows) {
    ShownPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    const qulonglong fontCount = Copy::state().value(QStringLiteral("count")).toULongLong();

    // Every defined character from the view pop-up: far more cells.
    ASSERT_TRUE(clickControl(QStringLiteral("viewPopUp")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("All Unicode")), QStringLiteral("All Unicode"));
    EXPECT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
        return s.value(QStringLiteral("view")) == 3 && s.value(QStringLiteral("count")).toULongLong() > fontCount;
    })) << palette.copy.output().toStdString();

    // Another layout from the layout pop-up.
    ASSERT_TRUE(clickControl(QStringLiteral("layoutPopUp")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("Scripts and Symbols")), QStringLiteral("Scripts and Symbols"));
    EXPECT_TRUE(stateHas(QStringLiteral("layout"), QStringLiteral("Scripts and Symbols")));

    // The preview page, whose layout pop-up offers the sample texts; the view pop-up is
    // gone with the table.
    ASSERT_TRUE(clickControl(QStringLiteral("windowModeSegment10")));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("view")) == 10 && s.value(QStringLiteral("page")) == QStringLiteral("previewPage");
    }));
    EXPECT_TRUE(controlRect(QStringLiteral("viewPopUp")).isEmpty());
    EXPECT_TRUE(controlRect(QStringLiteral("layoutLinkButton")).isEmpty());
    ASSERT_TRUE(clickControl(QStringLiteral("layoutPopUp")));
    ASSERT_TRUE(rbxtest::waitFor([] {
        bool sample = false, layout = false;
        for (const auto& item : openItems()) {
            sample = sample || item.first == QStringLiteral("Lorem ipsum");
            layout = layout || item.first == QStringLiteral("Unicode Blocks");
        }
        return sample && !layout;
    }));
    x11test::key(QStringLiteral("Escape"));
    x11test::pointTo(awayFromThePalette);

    // Back to the table: the view and the layout chosen before.
    ASSERT_TRUE(clickControl(QStringLiteral("windowModeSegment1")));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("view")) == 3 && s.value(QStringLiteral("page")) == QStringLiteral("tablePage") &&
               s.value(QStringLiteral("layout")) == QStringLiteral("Scripts and Symbols");
    })) << palette.copy.output().toStdString();
    EXPECT_FALSE(controlRect(QStringLiteral("viewPopUp")).isEmpty());
    x11test::pointTo(awayFromThePalette);
}

} // namespace
