// The palette's sheets on a desktop with dark colours (a Plasma desktop set to its dark
// scheme, whose colours every program of the desktop takes): each sheet is drawn dark and
// what it draws itself stays readable. Pictures of each go to $RUNEBOX_SCREENSHOTS.
#include "SheetDriving.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace x11test;

const QPoint awayFromThePalette(1100, 80);

// The desktop's dark colour scheme, as the desktop writes it for its programs.
const char* const DarkScheme = R"([General]
ColorScheme=BreezeDark

[Colors:Window]
BackgroundNormal=32,35,38
ForegroundNormal=252,252,252

[Colors:View]
BackgroundNormal=27,30,32
BackgroundAlternate=29,31,34
ForegroundNormal=252,252,252
ForegroundLink=29,153,243
ForegroundVisited=155,89,182

[Colors:Button]
BackgroundNormal=41,44,48
ForegroundNormal=252,252,252

[Colors:Selection]
BackgroundNormal=61,174,233
ForegroundNormal=252,252,252

[Colors:Tooltip]
BackgroundNormal=41,44,48
ForegroundNormal=252,252,252
)";

// A program's environment on that desktop.
QProcessEnvironment darkDesktop(const QTemporaryDir& config) {
    QFile globals(config.filePath(QStringLiteral("kdeglobals")));
    globals.open(QIODevice::WriteOnly);
    globals.write(DarkScheme);
    globals.close();
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("KDE"));
    env.insert(QStringLiteral("KDE_SESSION_VERSION"), QStringLiteral("5"));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), config.path() + QStringLiteral(":/etc/xdg"));
    return env;
}


// The share of an area's pixels lighter than half: the text of a dark sheet.
double lightShare(const QImage& shot, const QRect& area) {
    int light = 0, n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            light += shot.pixelColor(x, y).lightnessF() > 0.5;
            ++n;
        }
    return n ? double(light) / n : -1;
}

// How far the lightest pixel inside an area (its frame left out) stands from the darkest:
// the text on a field or label.
double contrast(const QImage& shot, const QRect& area) {
    double lo = 1, hi = 0;
    const QRect inside = area.adjusted(4, 4, -4, -4);
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const double l = shot.pixelColor(x, y).lightnessF();
            lo = std::min(lo, l);
            hi = std::max(hi, l);
        }
    return hi - lo;
}

// The sheet's margin at its leading side: its own background.
QRect marginOf(const QRect& sheet) { return QRect(sheet.x() + 1, sheet.y() + 1, 5, sheet.height() - 2); }

// Takes pictures until the named part stands in the same place before and after one and
// that picture shows it `drawn` (up to 10 s); the last picture.
QImage pictureOf(const QString& part, const QString& name, QRect* rect,
                 const std::function<bool(const QImage&, const QRect&)>& drawn) {
    QImage shot;
    rbxtest::waitFor([&] {
        const QRect before = controlRect(part);
        shot = screenshot(name);
        *rect = controlRect(part);
        return !rect->isEmpty() && *rect == before && drawn(shot, *rect);
    }, 10000);
    return shot;
}

// A sheet drawn: its margin dark, some light text on it.
bool sheetDrawn(const QImage& shot, const QRect& sheet) {
    return lightness(shot, marginOf(sheet)) < 0.35 && lightShare(shot, sheet) > 0.003;
}

} // namespace

TEST(DarkLook, EverySheetIsDrawnDarkAndReadable) {
    QTemporaryDir config;
    pointTo(awayFromThePalette);
    Copy copy({}, darkDesktop(config));
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    QRect r;
    // The version line, drawn in the placeholder colour, can be read.
    const auto versionContrast = [](const QImage& shot) {
        return contrast(shot, controlRect(QStringLiteral("versionLabel")).adjusted(-4, -4, 4, 4));
    };
    QImage shot = pictureOf(QStringLiteral("contentTabView"), QStringLiteral("dark-palette"), &r,
                            [&](const QImage& shot, const QRect&) { return versionContrast(shot) > 0.3; });
    EXPECT_GT(versionContrast(shot), 0.3);

    const struct {
        QString command, sheet, part, picture;
    } sheets[] = {
        {QStringLiteral("pref&tab=act"), QStringLiteral("preferences"), QStringLiteral("preferencesSheet"), QStringLiteral("dark-preferences-activation")},
        {QStringLiteral("pref&tab=view"), QStringLiteral("preferences"), QStringLiteral("preferencesSheet"), QStringLiteral("dark-preferences-view")},
        {QStringLiteral("pref&tab=upd"), QStringLiteral("preferences"), QStringLiteral("preferencesSheet"), QStringLiteral("dark-preferences-update")},
        {QStringLiteral("about"), QStringLiteral("about"), QStringLiteral("aboutSheet"), QStringLiteral("dark-about")},
        {QStringLiteral("contact"), QStringLiteral("contact"), QStringLiteral("contactSheet"), QStringLiteral("dark-contact")},
        {QStringLiteral("shape"), QStringLiteral("shapeFinder"), QStringLiteral("shapeFinderSheet"), QStringLiteral("dark-shape-finder")},
    };
    for (const auto& s : sheets) {
        ASSERT_EQ(url(QStringLiteral("runebox://open?sheet=") + s.command), 0);
        ASSERT_TRUE(waitForSheet(s.sheet)) << s.picture.toStdString() << copy.output().toStdString();
        // The font count is shown whole: no line of it cut off at the label's foot.
        const auto countWhole = [](const QImage& shot) {
            const QRect count = controlRect(QStringLiteral("fontCountField"));
            return lightShare(shot, QRect(count.left(), count.bottom(), count.width(), 1)) == 0.0;
        };
        const bool about = s.sheet == QLatin1String("about");
        shot = pictureOf(s.part, s.picture, &r, [&](const QImage& shot, const QRect& sheet) {
            return sheetDrawn(shot, sheet) && (!about || countWhole(shot));
        });
        ASSERT_FALSE(r.isEmpty()) << s.picture.toStdString();
        EXPECT_LT(lightness(shot, marginOf(r)), 0.35) << s.picture.toStdString();
        EXPECT_GT(lightShare(shot, r), 0.003) << s.picture.toStdString();
        if (about) {
            EXPECT_TRUE(countWhole(shot));
        }
        ASSERT_TRUE(sheetHasKeyboard()) << s.picture.toStdString();
        pressKey(QStringLiteral("Escape"));
        ASSERT_TRUE(waitForSheet(QString())) << s.picture.toStdString();
    }

    ASSERT_EQ(url(QStringLiteral("runebox://set?search=acute")), 0);
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'é').isEmpty(); }, 15000)) << copy.output().toStdString();
    ASSERT_TRUE(chooseFromContextMenu(U'é', QStringLiteral("Character Info"))) << copy.output().toStdString();
    ASSERT_TRUE(waitForSheet(QStringLiteral("characterInfo"))) << copy.output().toStdString();
    // The hint in the empty custom-name field can be read.
    const auto hintContrast = [](const QImage& shot) {
        return contrast(shot, controlRect(QStringLiteral("infoCustomCharNameField")));
    };
    shot = pictureOf(QStringLiteral("characterInfoSheet"), QStringLiteral("dark-character-info"), &r,
                     [&](const QImage& shot, const QRect& sheet) {
                         return lightness(shot, marginOf(sheet)) < 0.35 && hintContrast(shot) > 0.3;
                     });
    EXPECT_LT(lightness(shot, marginOf(r)), 0.35);
    EXPECT_GT(hintContrast(shot), 0.3);
    ASSERT_TRUE(clickControl(QStringLiteral("infoCancelButton")));
    ASSERT_TRUE(waitForSheet(QString()));

    pointTo(awayFromThePalette);
    ASSERT_TRUE(clickControl(QStringLiteral("windowModeSegment12")));
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("view")) == 12; }));
    shot = pictureOf(QStringLiteral("infoTextView"), QStringLiteral("dark-font-information"), &r,
                     [](const QImage& shot, const QRect& view) {
                         return lightness(shot, view) < 0.35 && lightShare(shot, view) > 0.01;
                     });
    EXPECT_LT(lightness(shot, r), 0.35);
    EXPECT_GT(lightShare(shot, r), 0.01);
}
