// The menus and the magnifier of the real runebox program, used as a user would with the
// pointer of the X server: a right click on a character offers its copies, which reach the
// clipboard and paste into the application in front; an emoji's picture menu inserts the
// skin tone or presentation chosen (a release outside it after a drag closes it); with
// the magnifier on, hovering shows the character beside its cell, at every screen edge,
// while the table keeps following the mouse and the
// application keeps the keyboard. Light and dark: the magnifier follows the desktop.
//
// With RUNEBOX_SCREENSHOTS naming a folder, pictures of the screen are written there.
#include "MenuItems.h"
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "SheetDriving.h"
#include "common/TestEnvironment.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusVariant>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <algorithm>
#include <gtest/gtest.h>
#include <utility>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::url;

const QString Domain = QStringLiteral("org.runebox.Runebox");

void setting(const QString& key, const QString& value) {
    ASSERT_EQ(run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("write"), Domain, key, value}), 0);
}

using x11test::MenuItem;
using x11test::menuItems;
using x11test::rectOf;

QList<MenuItem> waitForMenu() {
    QList<MenuItem> items;
    rbxtest::waitFor([&] {
        items = menuItems();
        return !items.isEmpty();
    }, 10000);
    return items;
}

const MenuItem* itemStarting(const QList<MenuItem>& items, const QString& prefix) {
    for (const MenuItem& i : items)
        if (i.title.startsWith(prefix)) return &i;
    return nullptr;
}

void pointer(const QPoint& p) {
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
}
void xdo(const QStringList& args) { run(QStringLiteral("xdotool"), args); }

// Away from the middle of the screen, where the palette opens: the palette takes the
// keyboard while the mouse is over it.
const QPoint awayFromThePalette(1100, 80);

uint selected(const QVariantMap& s) { return s.value(QStringLiteral("selected")).toUInt(); }

bool hover(char32_t c, const QPoint& offset = QPoint()) { return Copy::pointAtCharacter(c, offset); }

QImage screenshot(const QString& name = {}) {
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const QString folder = qEnvironmentVariable("RUNEBOX_SCREENSHOTS");
    if (!folder.isEmpty() && !name.isEmpty()) {
        QDir().mkpath(folder);
        shot.save(folder + u'/' + name + QStringLiteral(".png"));
    }
    return shot;
}

X11Session::Window paletteWindow(int pid) {
    X11Session& x = X11Session::shared();
    X11Session::Window found = 0;
    rbxtest::waitFor([&] {
        x.processPendingEvents();
        const QList<X11Session::Window> ws = ewmh::windowsOfPid(x, pid);
        found = ws.isEmpty() ? 0 : ws.last();
        return found != 0;
    }, 10000);
    return found;
}

QRect magnifierOf(const QVariantMap& s) { return rectOf(s.value(QStringLiteral("magnifier"))); }

// Opens the palette over the probe and searches.
class Menus : public ::testing::Test {
protected:
    void open(const QString& search) {
        probe = std::make_unique<ProbeClient>(QStringList{QStringLiteral("--no-clipboard-utility")});
        ASSERT_TRUE(probe->started());
        ASSERT_TRUE(probe->waitForKeyboardFocus());
        pointer(awayFromThePalette);
        copy = std::make_unique<Copy>();
        ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy->output().toStdString();
        ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("alpha")).toDouble() >= 1; }));
        ASSERT_TRUE(x11test::search(search)) << output();
        ASSERT_TRUE(Copy::holdsKeyboardFor(int(probe->pid())));
    }
    std::string output() { return copy ? copy->output().toStdString() : std::string(); }
    // The mouse leaves the palette: the application in front has the keyboard again, which
    // neither a menu nor the magnifier took.
    bool keyboardBackInFront() {
        pointer(awayFromThePalette);
        return probe->waitForKeyboardFocus();
    }

    std::unique_ptr<ProbeClient> probe;
    std::unique_ptr<Copy> copy;
};

} // namespace

TEST_F(Menus, ARightClickOffersTheCopiesWhichPasteElsewhere) {
    open(QStringLiteral("acute"));
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'é').isEmpty(); }, 15000)) << output();

    struct Case {
        const char* item;
        QString text;
    };
    const Case cases[] = {{"Copy as HTML", QStringLiteral("&eacute;")}, {"Copy as Unicode Hex", QStringLiteral("U+00E9")}};
    QString pasted;
    for (const Case& c : cases) {
        ASSERT_TRUE(hover(U'é')) << output();
        xdo({QStringLiteral("click"), QStringLiteral("3")});
        const QList<MenuItem> items = waitForMenu();
        ASSERT_FALSE(items.isEmpty()) << output();
        // The character's menu: its copies, titled with the forms they copy.
        EXPECT_TRUE(itemStarting(items, QStringLiteral("Copy Character é")));
        EXPECT_TRUE(itemStarting(items, QStringLiteral("Copy Character Name (LATIN SMALL LET...)")));
        const MenuItem* item = itemStarting(items, QLatin1String(c.item));
        ASSERT_TRUE(item) << c.item;
        EXPECT_TRUE(item->enabled);
        EXPECT_TRUE(item->title.contains(QString(c.text).replace(u'&', QStringLiteral("&&")))) << item->title.toStdString();
        pointer(item->rect.center());
        xdo({QStringLiteral("click"), QStringLiteral("1")});
        EXPECT_TRUE(rbxtest::waitFor([&] { return x11test::clipboardText() == c.text; }, 10000))
            << x11test::clipboardText().toStdString() << output();
        EXPECT_TRUE(rbxtest::waitFor([] { return menuItems().isEmpty(); }, 5000));
        // The application in front has the keyboard back and pastes what was copied.
        ASSERT_TRUE(keyboardBackInFront());
        xdo({QStringLiteral("key"), QStringLiteral("ctrl+v")});
        pasted += c.text;
        EXPECT_TRUE(probe->waitForText(pasted)) << probe->text().toStdString();
    }
    // A copy is no insertion: nothing became recent.
    EXPECT_TRUE(qdbus_cast<QVariantList>(Copy::state().value(QStringLiteral("recent"))).isEmpty());
}

TEST_F(Menus, APictureMenuInsertsTheSkinToneOrPresentationChosen) {
    setting(QStringLiteral("selectedFont"), QStringLiteral("NotoColorEmoji"));
    open(QStringLiteral("waving hand"));
    const char32_t hand = U'\U0001F44B';
    ASSERT_TRUE(rbxtest::waitFor([&] { return !Copy::cellOf(hand).isEmpty(); }, 15000)) << output();

    // A press on the cell's bottom-right corner opens the tones; dragged away and released
    // outside the menu, it closes them and inserts nothing.
    const QRect cell = Copy::cellOf(hand);
    ASSERT_TRUE(hover(hand, QPoint(cell.width() / 2 - 4, cell.height() / 2 - 4)));
    xdo({QStringLiteral("mousedown"), QStringLiteral("1")});
    ASSERT_EQ(waitForMenu().size(), 5) << output();
    pointer(cell.bottomRight() + QPoint(40, 60));
    xdo({QStringLiteral("mouseup"), QStringLiteral("1")});
    EXPECT_TRUE(rbxtest::waitFor([] { return menuItems().isEmpty(); }, 5000)) << output();

    // Pressed again, the release over the third tone inserts it.
    ASSERT_TRUE(hover(hand, QPoint(cell.width() / 2 - 4, cell.height() / 2 - 4)));
    xdo({QStringLiteral("mousedown"), QStringLiteral("1")});
    const QList<MenuItem> tones = waitForMenu();
    ASSERT_EQ(tones.size(), 5) << output();
    EXPECT_EQ(tones[0].title, QStringLiteral("\U0001F44B\U0001F3FB"));
    // Centred above the cell, where the screen leaves room.
    EXPECT_LE(tones[4].rect.bottom(), cell.top() + 8);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int width = tones[4].rect.right() - tones[0].rect.left();
    const int centred = std::clamp(cell.center().x() - width / 2, screen.left(), screen.right() - width);
    EXPECT_NEAR(tones[0].rect.left(), centred, 4) << cell.center().x();
    screenshot(QStringLiteral("light-skin-tones"));
    pointer(tones[2].rect.center());
    xdo({QStringLiteral("mouseup"), QStringLiteral("1")});
    EXPECT_TRUE(probe->waitForText(QStringLiteral("\U0001F44B\U0001F3FD"))) << probe->text().toStdString() << output();
    EXPECT_TRUE(keyboardBackInFront());

    // A heart in text presentation, chosen with a click once the menu is open.
    ASSERT_TRUE(x11test::search(QStringLiteral("heavy black heart"))) << output();
    const char32_t heart = U'\u2764';
    ASSERT_TRUE(rbxtest::waitFor([&] { return !Copy::cellOf(heart).isEmpty(); }, 15000)) << output();
    const QRect heartCell = Copy::cellOf(heart);
    ASSERT_TRUE(hover(heart, QPoint(heartCell.width() / 2 - 4, heartCell.height() / 2 - 4)));
    xdo({QStringLiteral("click"), QStringLiteral("1")});
    const QList<MenuItem> presentations = waitForMenu();
    ASSERT_EQ(presentations.size(), 2) << output();
    EXPECT_EQ(presentations[0].title, QStringLiteral("\u2764\uFE0E"));
    pointer(presentations[0].rect.center());
    xdo({QStringLiteral("click"), QStringLiteral("1")});
    EXPECT_TRUE(probe->waitForText(QStringLiteral("\U0001F44B\U0001F3FD\u2764\uFE0E"))) << probe->text().toStdString();
}

TEST_F(Menus, TheMagnifierFollowsTheMouseBesideItsCellAtEveryEdge) {
    setting(QStringLiteral("magnify"), QStringLiteral("YES"));
    open(QStringLiteral("latin capital letter"));
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'A').isEmpty(); }, 15000)) << output();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const X11Session::Window palette = paletteWindow(int(copy->process().processId()));
    ASSERT_NE(palette, 0u);

    auto movePalette = [&](int x, int y) {
        xdo({QStringLiteral("windowmove"), QString::number(palette), QString::number(x), QString::number(y)});
        // The palette keeps itself whole on the screen: where it is already as near the
        // place as it can be, it does not move.
        // It may also come to rest in more than one step.
        const QRect before = Copy::cellOf(U'A');
        rbxtest::waitFor([&] { return Copy::cellOf(U'A') != before; }, 2000);
        QRect last = Copy::cellOf(U'A');
        return rbxtest::waitFor([&] {
            rbxtest::spinEventLoop(400);
            const QRect now = Copy::cellOf(U'A');
            return std::exchange(last, now) == now && !now.isEmpty();
        }, 10000);
    };
    // The palette low on the screen, with room above its cells.
    ASSERT_TRUE(movePalette(screen.width() / 4, screen.height() / 2)) << output();

    // Hovering a cell shows its character above it, arrow down.
    const char32_t low = U'Z';
    ASSERT_FALSE(Copy::cellOf(low).isEmpty());
    ASSERT_TRUE(hover(low)) << output();
    QVariantMap s;
    ASSERT_TRUE(Copy::waitForState([&](const QVariantMap& st) {
        s = st;
        return st.value(QStringLiteral("magnified")).toUInt() == uint(low);
    })) << output();
    QRect glass = magnifierOf(s);
    const QRect lowCell = Copy::cellOf(low);
    EXPECT_EQ(s.value(QStringLiteral("magnifierArrow")).toString(), QStringLiteral("down"));
    EXPECT_LE(glass.bottom(), lowCell.top());
    EXPECT_NEAR(glass.center().x(), lowCell.center().x(), 20);
    screenshot(QStringLiteral("light-magnifier"));
    EXPECT_TRUE(keyboardBackInFront());
    // Back over the cell, the magnifier above it again.
    ASSERT_TRUE(hover(low)) << output();
    ASSERT_TRUE(Copy::waitForState([&](const QVariantMap& st) {
        return st.value(QStringLiteral("magnified")).toUInt() == uint(low) && magnifierOf(st) == glass;
    })) << output();

    // The mouse passes through it: a cell under the magnifier is selected and stays so.
    char32_t under = 0;
    for (char32_t c = U'A'; c < low && !under; ++c) {
        const QRect r = Copy::cellOf(c);
        if (!r.isEmpty() && glass.contains(r.center())) under = c;
    }
    ASSERT_NE(under, 0u) << "no cell lies under the magnifier";
    pointer(Copy::cellOf(under).center());
    ASSERT_TRUE(Copy::waitForState([&](const QVariantMap& st) {
        return selected(st) == uint(under) && st.value(QStringLiteral("magnified")).toUInt() == uint(under);
    })) << output();
    for (int i = 0; i < 12; ++i) {
        rbxtest::spinEventLoop(80);
        const QVariantMap st = Copy::state();
        EXPECT_EQ(selected(st), uint(under)) << "flickered at sample " << i;
        EXPECT_FALSE(magnifierOf(st).isEmpty()) << "hidden at sample " << i;
    }
    EXPECT_TRUE(keyboardBackInFront());

    // At the top edge the magnifier goes below its cell; at the left and right edges it
    // stays on the screen.
    auto magnify = [&](char32_t c) {
        QVariantMap st;
        pointer(screen.center() + QPoint(0, screen.height() / 2 - 5));
        if (!hover(c)) return st;
        Copy::waitForState([&](const QVariantMap& m) {
            st = m;
            return m.value(QStringLiteral("magnified")).toUInt() == uint(c) && !magnifierOf(m).isEmpty();
        });
        return st;
    };
    ASSERT_TRUE(movePalette(0, 0)) << output();
    s = magnify(U'A');
    glass = magnifierOf(s);
    const QRect topCell = Copy::cellOf(U'A');
    EXPECT_EQ(s.value(QStringLiteral("magnifierArrow")).toString(), QStringLiteral("up"));
    EXPECT_GE(glass.top(), topCell.bottom());
    EXPECT_GE(glass.left(), screen.left());
    screenshot(QStringLiteral("light-magnifier-top-left"));

    ASSERT_TRUE(movePalette(screen.width() - 200, screen.height() / 2)) << output();
    char32_t rightmost = U'A';
    for (char32_t c = U'A'; c <= U'Z'; ++c)
        if (const QRect r = Copy::cellOf(c); !r.isEmpty() && r.top() == Copy::cellOf(U'A').top() && r.right() > Copy::cellOf(rightmost).right())
            rightmost = c;
    s = magnify(rightmost);
    glass = magnifierOf(s);
    ASSERT_FALSE(glass.isEmpty()) << output();
    EXPECT_LE(glass.right(), screen.right());
    EXPECT_GE(glass.left(), screen.left());
    EXPECT_LE(glass.bottom(), Copy::cellOf(rightmost).top());

    // The palette at the bottom edge: above its cell, on the screen.
    ASSERT_TRUE(movePalette(screen.width() / 3, screen.height() - 300)) << output();
    s = magnify(U'A');
    glass = magnifierOf(s);
    ASSERT_FALSE(glass.isEmpty()) << output();
    EXPECT_LE(glass.bottom(), screen.bottom());
    EXPECT_EQ(s.value(QStringLiteral("magnifierArrow")).toString(), QStringLiteral("down"));
    EXPECT_TRUE(keyboardBackInFront());
}

namespace {

// The desktop's settings portal, stating a colour scheme (1 dark, 2 light).
class SchemePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    uint scheme = 2;

public slots:
    QDBusVariant Read(const QString& nameSpace, const QString& key) {
        QVariant v = QVariant::fromValue(0u);
        if (nameSpace == QLatin1String("org.freedesktop.appearance") && key == QLatin1String("color-scheme"))
            v = QVariant::fromValue(scheme);
        return QDBusVariant(QVariant::fromValue(QDBusVariant(v)));
    }

signals:
    void SettingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);
};

} // namespace

TEST_F(Menus, TheMagnifierAndThePicturesFollowTheDesktopsLightOrDarkLook) {
    SchemePortal portal;
    portal.scheme = 1;
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    setting(QStringLiteral("magnify"), QStringLiteral("YES"));
    setting(QStringLiteral("selectedFont"), QStringLiteral("NotoColorEmoji"));
    open(QStringLiteral("waving hand"));
    const char32_t hand = U'\U0001F44B';
    ASSERT_TRUE(rbxtest::waitFor([&] { return !Copy::cellOf(hand).isEmpty(); }, 15000)) << output();

    for (const uint scheme : {1u, 2u}) {
        const bool dark = scheme == 1;
        const QString look = dark ? QStringLiteral("dark") : QStringLiteral("light");
        portal.scheme = scheme;
        emit portal.SettingChanged(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"),
                                   QDBusVariant(QVariant::fromValue(scheme)));
        ASSERT_TRUE(Copy::waitForState([dark](const QVariantMap& st) { return st.value(QStringLiteral("dark")).toBool() == dark; }))
            << output();
        // Away from the table the magnifier goes, to come back in the new look.
        pointer(QPoint(2, 2));
        ASSERT_TRUE(Copy::waitForState([](const QVariantMap& st) {
            return qdbus_cast<QVariantList>(st.value(QStringLiteral("magnifier"))).isEmpty();
        })) << output();
        ASSERT_TRUE(hover(hand)) << output();
        QVariantMap s;
        ASSERT_TRUE(Copy::waitForState([&](const QVariantMap& st) {
            s = st;
            return st.value(QStringLiteral("magnified")).toUInt() == uint(hand);
        })) << output();
        const QRect glass = magnifierOf(s);
        // Pictures until the magnifier is drawn in its look (or 10 s went by): the body
        // beside the big character, left of its guide lines.
        QImage shot;
        double body = 0;
        rbxtest::waitFor([&] {
            shot = screenshot(look + QStringLiteral("-magnifier"));
            body = x11test::lightness(shot, QRect(glass.left() + 3, glass.top() + 20, 5, 60));
            return dark ? body < 0.3 : body > 0.8;
        }, 10000);
        if (dark) EXPECT_LT(body, 0.3) << look.toStdString();
        else EXPECT_GT(body, 0.8) << look.toStdString();

        const QRect cell = Copy::cellOf(hand);
        ASSERT_TRUE(Copy::pointAt(cell.center() + QPoint(cell.width() / 2 - 4, cell.height() / 2 - 4))) << output();
        ASSERT_TRUE(Copy::waitForState([&](const QVariantMap& st) { return selected(st) == uint(hand); }));
        xdo({QStringLiteral("click"), QStringLiteral("1")});
        const QList<MenuItem> tones = waitForMenu();
        ASSERT_EQ(tones.size(), 5) << output();
        // The picture's top corner, above the emoji: the canvas background.
        double canvas = 0;
        rbxtest::waitFor([&] {
            shot = screenshot(look + QStringLiteral("-skin-tones"));
            canvas = x11test::lightness(shot, QRect(tones[0].rect.topLeft() + QPoint(1, 1), QSize(3, 3)));
            return dark ? canvas < 0.3 : canvas > 0.6;
        }, 10000);
        if (dark) EXPECT_LT(canvas, 0.3);
        else EXPECT_GT(canvas, 0.6);
        xdo({QStringLiteral("key"), QStringLiteral("Escape")});
        EXPECT_TRUE(rbxtest::waitFor([] { return menuItems().isEmpty(); }, 5000));

        ASSERT_TRUE(hover(hand)) << output();
        xdo({QStringLiteral("click"), QStringLiteral("3")});
        const QList<MenuItem> items = waitForMenu();
        ASSERT_FALSE(items.isEmpty()) << output();
        // The picture once the menu's first item is drawn (its title on its background).
        rbxtest::waitFor([&] {
            const QImage menu = screenshot(look + QStringLiteral("-context-menu")).copy(items.first().rect);
            for (int y = 0; y < menu.height(); ++y)
                for (int x = 0; x < menu.width(); ++x)
                    if (menu.pixel(x, y) != menu.pixel(0, 0)) return true;
            return false;
        }, 10000);
        xdo({QStringLiteral("key"), QStringLiteral("Escape")});
        EXPECT_TRUE(rbxtest::waitFor([] { return menuItems().isEmpty(); }, 5000));
    }
    EXPECT_TRUE(keyboardBackInFront());
}

#include "MenusTest.moc"
